#pragma once
// The three caption character sets as Unicode code points.
#include <cstdint>

namespace platform::captionscreen {

// A one-byte character, 0x20..0x7F (the data bits, no parity); 0 outside.
char32_t standardCharacter(uint8_t code);

// 0x11 0x30..0x3F; 0 outside. 0x39 is the transparent space: also 0, see
// isTransparentSpace.
char32_t specialCharacter(uint8_t second);
inline bool isTransparentSpace(uint8_t first, uint8_t second) {
    return first == 0x11 && second == 0x39;
}

// 0x12 / 0x13 with 0x20..0x3F (Spanish, French, Portuguese, German, Danish
// and box drawing); 0 outside.
char32_t extendedCharacter(uint8_t first, uint8_t second);

}  // namespace platform::captionscreen
