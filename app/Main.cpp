#include "app/Main.h"

#include <QApplication>
#include <QMessageBox>
#include <string>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "platform/sound/QtSound.h"
#include "platform/sound/SoundSetup.h"
#include "platform/tv/TvCard.h"

namespace {

int startUpFailed(const std::string& what) {
    QMessageBox::critical(nullptr, QStringLiteral("Cuelark"), QString::fromStdString(what));
    return 1;
}

}  // namespace

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::Result<std::string> exe = ExecutablePath();
    if (!exe) {
        return startUpFailed("Cuelark cannot start: " + exe.message());
    }
    StartUp(exe.value());
    // The recorder hears the card's sound, as a cable from its line out would carry it.
    platform::sound::setCardFeed(platform::tv::currentCard().audioFeed());
    platform::sound::installQtSound();

    frmMain window;
    platform::Status loaded = window.Form_Load();
    if (!loaded) {
        return startUpFailed("Cuelark cannot start: " + loaded.message());
    }
    window.show();
    return QApplication::exec();
}
