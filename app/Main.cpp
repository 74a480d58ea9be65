#include "app/Main.h"

#include <QApplication>
#include <QMessageBox>
#include <string>

#include "app/frmMain.h"
#include "app/modMain.h"

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

    frmMain window;
    platform::Status loaded = window.Form_Load();
    if (!loaded) {
        return startUpFailed("Cuelark cannot start: " + loaded.message());
    }
    window.show();
    return QApplication::exec();
}
