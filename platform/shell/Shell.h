#pragma once
// Hands a document or address to the user's default handler, as the system's
// shell does: it returns once the handler is started and never waits for it.
#include <cstdint>

#include "platform/win/Win.h"

namespace platform::shell {

constexpr int SW_SHOWNORMAL = 1;

// A value above 32 means the handler was started, as on Windows; a "file://"
// target is taken as the local path that follows it, so blanks, '#' and '%'
// in folder names reach the handler unchanged.
intptr_t ShellExecuteA(win::HWND parent, const char* operation, const char* file,
                       const char* parameters, const char* directory, int showCmd);

}  // namespace platform::shell
