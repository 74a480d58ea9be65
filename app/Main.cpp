#include "app/Main.h"

#include <QApplication>
#include <string>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "dialogs/QtMessageBoxes.h"
#include "platform/shell/MessageBox.h"
#include "platform/sound/QtSound.h"
#include "platform/sound/SoundSetup.h"
#include "platform/tv/TvCard.h"

namespace {

int startUpFailed(const std::string& reason) {
    using namespace platform::shell;
    dialogs::programMessageBoxes().MessageBoxA(std::string(kAppTitle) + " cannot start: " + reason,
                                               kAppTitle, MB_OK | MB_ICONERROR);
    return 1;
}

}  // namespace

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::Result<std::string> exe = ExecutablePath();
    if (!exe) {
        return startUpFailed(exe.message());
    }
    StartUp(exe.value());
    // The recorder hears the card's sound, as a cable from its line out would carry it.
    platform::sound::setCardFeed(platform::tv::currentCard().audioFeed());
    platform::sound::installQtSound();

    frmMain window;
    platform::Status loaded = window.Form_Load();
    if (!loaded) {
        return startUpFailed(loaded.message());
    }
    window.show();
    return QApplication::exec();
}
