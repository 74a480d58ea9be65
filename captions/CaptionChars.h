#pragma once
// The caption character sets, mapped to Windows-1252 codes.
#include <cstdint>

// A standard character (0x20 to 0x7F) as a Windows-1252 code.
int32_t MapCaptionChar(int32_t code);

// The special character sent as a control pair with second byte 0x30 to
// 0x3F, or -1 when Windows-1252 has no such character.
int32_t MapSpecialChar(int32_t low);

// A character of the caption screen (Unicode) as the Windows-1252 code pop-on
// captions write for it, or -1 where Windows-1252 has none (the music note,
// the service mark, box corners).
int32_t MapScreenChar(char32_t ch);
