#include "app/Main.h"

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <string>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "dialogs/QtMessageBoxes.h"
#include "platform/core/ExitHook.h"
#include "platform/core/UserFolders.h"
#include "platform/shell/EndSignals.h"
#include "platform/shell/MessageBox.h"
#include "platform/sound/BackgroundMoves.h"
#include "platform/sound/QtSound.h"
#include "platform/sound/SoundSetup.h"
#include "platform/tv/TvCard.h"
#include "recording/Recovery.h"

namespace {

int startUpFailed(const std::string& reason) {
    using namespace platform::shell;
    dialogs::programMessageBoxes().MessageBoxA(std::string(kAppTitle) + " cannot start: " + reason,
                                               kAppTitle, MB_OK | MB_ICONERROR);
    return 1;
}

// The card and the sound end while the application object still exists: Qt
// Multimedia must never be used after it.
void endCardAndSound() {
    platform::sound::soundDriver().execute("close all");
    platform::sound::waitForBackgroundMoves();
    platform::sound::setCardFeed(nullptr);
    platform::tv::releaseCurrentCard();
}

}  // namespace

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::Result<std::string> exe = ExecutablePath();
    if (!exe) {
        return startUpFailed(exe.message());
    }
    StartUp(exe.value());
    // Recordings cut off when the program last ended are finished first, so
    // their files are in place before anything new is recorded.
    const std::vector<recording::RecoveredRecording> recovered =
        recording::recoverInterrupted({g_sSaveDir, platform::userDataFolder()});
    // The recorder hears the card's sound, as a cable from its line out would carry it.
    platform::sound::setCardFeed(platform::tv::currentCard().audioFeed());
    platform::sound::installQtSound();

    frmMain window;
    platform::Status loaded = window.Form_Load();
    if (!loaded) {
        endCardAndSound();
        return startUpFailed(loaded.message());
    }
    window.show();

    // Ended from outside, the program saves what it records first: on a
    // signal, and when Qt's X11 layer calls exit() on a lost display.
    platform::setExitHook([&window] {
        window.endSession();
        endCardAndSound();
    });
    platform::armExitHook();
    platform::shell::watchEndSignals([](int signal) {
        platform::runExitHookNow();
        QCoreApplication::exit(128 + signal);
    });

    if (const std::string told = recording::recoveryMessage(recovered); !told.empty()) {
        std::cerr << platform::shell::kAppTitle << ": " << told << "\n";
        QTimer::singleShot(0, &window, [told] {
            using namespace platform::shell;
            dialogs::programMessageBoxes().MessageBoxA(told, kAppTitle, MB_OK | MB_ICONINFORMATION);
        });
    }
    const int status = QApplication::exec();
    platform::runExitHookNow();
    return status;
}
