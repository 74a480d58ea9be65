#pragma once
// How a host (the Qt side, a test, a fake card) attaches behaviour to a window
// of its own beyond the procedure chain: what SetWindowPos does to it, and
// what happens once the window is forgotten.
#include <functional>

#include "platform/win/Win.h"

namespace platform::win {

struct WindowHooks {
    // SetWindowPos moves and sizes the window through this (none: it only succeeds).
    std::function<void(int x, int y, int cx, int cy)> move;
    // Called once after WM_DESTROY went through the chain and the handle is gone.
    std::function<void()> forgotten;
};

// RegisterWindow with hooks.
HWND RegisterWindowWithHooks(WNDPROC baseProc, WindowHooks hooks);
// Replaces the window's mover; false for an unknown handle.
bool SetWindowMover(HWND h, std::function<void(int x, int y, int cx, int cy)> move);
// The procedure at the end of the window's chain (0 for an unknown handle).
intptr_t BaseWindowProc(HWND h);

}  // namespace platform::win
