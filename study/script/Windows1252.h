#pragma once
// Scripts hold one Windows-1252 byte per character; the window and every
// exported file want UTF-8. All 256 codes map to a character: the five that
// Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control characters of the same number, as Windows' own conversion does, so
// that every byte of a script survives the trip to UTF-8 and back.
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace study {

// Never fails: every byte has a character.
std::string utf8FromWindows1252(std::string_view bytes);

// The Windows-1252 bytes of UTF-8 text. Fails, naming the character, on one
// that Windows-1252 has no code for, and on bytes that are not UTF-8.
platform::Result<std::string> windows1252FromUtf8(std::string_view utf8);

}  // namespace study
