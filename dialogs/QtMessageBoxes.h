#pragma once
// Real modal message boxes for the windows.
#include <QMessageBox>
#include <memory>

#include "platform/shell/MessageBox.h"

namespace dialogs {

// The box the style asks for, not yet shown: OK, or Yes and No with the
// style's default button; the icon of the style's icon bits; the title (the
// program's when empty) and the text.
std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, const std::string& title,
                                            uint32_t style);

// The answer of a box of the given style that returned pressed from exec().
int answerOf(uint32_t style, int pressed);

class QtMessageBoxes final : public platform::shell::MessageBoxes {
  public:
    int MessageBoxA(const std::string& text, const std::string& title, uint32_t style) override;
};

// The program's boxes: QtMessageBoxes unless a test installed others.
platform::shell::MessageBoxes& programMessageBoxes();
void setProgramMessageBoxes(platform::shell::MessageBoxes* boxes);  // nullptr: the real ones

}  // namespace dialogs
