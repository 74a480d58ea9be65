#pragma once
// Real modal message boxes for the windows.
#include <QMessageBox>
#include <memory>

#include "platform/shell/MessageBox.h"

namespace dialogs {

// The box the style asks for, not yet shown: OK only, the icon of the style's
// icon bits, the title and the text.
std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, const std::string& title,
                                            uint32_t style);

class QtMessageBoxes final : public platform::shell::MessageBoxes {
  public:
    void MessageBoxA(const std::string& text, const std::string& title, uint32_t style) override;
};

// The program's boxes: QtMessageBoxes unless a test installed others.
platform::shell::MessageBoxes& programMessageBoxes();
void setProgramMessageBoxes(platform::shell::MessageBoxes* boxes);  // nullptr: the real ones

}  // namespace dialogs
