#pragma once
// Modal message boxes with the Windows style bits and answers the program
// uses. The windows show real boxes (dialogs/QtMessageBoxes.h); tests record
// what was asked and answer at once.
#include <cstdint>
#include <string>

namespace platform::shell {

// Buttons.
constexpr uint32_t MB_OK = 0x00;
constexpr uint32_t MB_YESNOCANCEL = 0x03;
constexpr uint32_t MB_YESNO = 0x04;
constexpr uint32_t MB_TYPEMASK = 0x0F;

// Icons.
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONWARNING = 0x30;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr uint32_t MB_ICONMASK = 0xF0;

// The default button: the first unless the style names the second.
constexpr uint32_t MB_DEFBUTTON1 = 0x000;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;
constexpr uint32_t MB_DEFMASK = 0xF00;

// The button that dismissed the box.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The program's name: its main window's title and the title of boxes that
// name none of their own.
inline constexpr const char* kAppTitle = "Cuelark";

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows text with the given title and style; returns once dismissed,
    // with the button pressed (IDOK for a box with OK only; IDCANCEL when a
    // Yes/No/Cancel question is dismissed without an answer).
    virtual int MessageBoxA(const std::string& text, const std::string& title, uint32_t style) = 0;
};

}  // namespace platform::shell
