#pragma once
// Modal message boxes with the Windows style bits the program uses. The
// windows show real boxes (dialogs/QtMessageBoxes.h); tests record what was
// asked and answer at once.
#include <cstdint>
#include <string>

namespace platform::shell {

constexpr uint32_t MB_OK = 0x00;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONWARNING = 0x30;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr uint32_t MB_ICONMASK = 0xF0;
constexpr uint32_t MB_TYPEMASK = 0x0F;

// The title of boxes that name none of their own.
inline constexpr const char* kAppTitle = "Cuelark";

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows text with the given title and style; returns once dismissed.
    virtual void MessageBoxA(const std::string& text, const std::string& title, uint32_t style) = 0;
};

}  // namespace platform::shell
