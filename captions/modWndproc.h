#pragma once
// The main window's caption hook: caption byte pairs arriving as message 1067
// go to the caption decoder, the window's moves go on to the video window,
// and every message still reaches the window's own procedure.
#include "platform/win/Win.h"

// Where the previous window procedure is kept while a window is hooked.
inline constexpr const char* kOldWndProcProp = "OldWndProc";

// Puts proc in front of h's procedure. A window hooked already is left alone,
// so it is never subclassed twice.
void Hook(platform::win::HWND h, platform::win::WNDPROC proc);
// Gives h its previous procedure back; false when it was not hooked.
bool Unhook(platform::win::HWND h);

platform::win::LRESULT WndProc(platform::win::HWND h, platform::win::UINT m,
                               platform::win::WPARAM wParam, platform::win::LPARAM lParam);
