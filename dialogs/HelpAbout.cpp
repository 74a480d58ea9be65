#include "dialogs/HelpAbout.h"

#include <QCoreApplication>

#include "platform/shell/Shell.h"

namespace dialogs {

std::string aboutText() {
    return "Cuelark ver.2.00\r\n"
           "Records TV sound and captions as a timed script.";
}

std::string helpTarget(const std::string& programFolder) {
    return "file://" + programFolder + "/help.html";
}

void mnuContents_Click(platform::win::HWND mainWindow) {
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();
    const std::string target = helpTarget(folder);
    // Nothing is reported: a missing page or browser shows as the system
    // shows it.
    platform::shell::ShellExecuteA(mainWindow, "Open", target.c_str(), "", folder.c_str(),
                                   platform::shell::SW_SHOWNORMAL);
}

void mnuAbout_Click(platform::shell::MessageBoxes& boxes) {
    boxes.MessageBoxA(aboutText(), kAboutTitle,
                      platform::shell::MB_OK | platform::shell::MB_ICONINFORMATION);
}

}  // namespace dialogs
