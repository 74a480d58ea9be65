#pragma once
// The Help menu: the help page beside the program, and the About box.
#include <string>

#include "platform/shell/MessageBox.h"
#include "platform/win/Win.h"

namespace dialogs {

inline constexpr const char* kAboutTitle = "About Cuelark";
// "Cuelark ver.2.00", CR LF, the notice line.
std::string aboutText();

// "file://" + folder + "/help.html", joined as they stand.
std::string helpTarget(const std::string& programFolder);

// mnuContents_Click: opens the help page beside the executable; never waits.
void mnuContents_Click(platform::win::HWND mainWindow);
// mnuAbout_Click: returns when the box is dismissed.
void mnuAbout_Click(platform::shell::MessageBoxes& boxes);

}  // namespace dialogs
