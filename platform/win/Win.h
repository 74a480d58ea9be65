#pragma once
// The window-message layer the program speaks through: window handles,
// window properties, window procedures and synchronous messages, with the
// observable behaviour of their Windows namesakes. The Qt side registers real
// widgets under handles (WinQt.h); tests can register plain windows.
#include <cstdint>

namespace platform::win {

using HWND = intptr_t;
using WPARAM = intptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT = uint32_t;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_DESTROY = 2;
constexpr UINT WM_MOVE = 3;
constexpr UINT WM_USER = 0x400;
constexpr int GWL_WNDPROC = -4;
constexpr uint32_t SWP_NOZORDER = 0x0004;

// A window that exists without Qt: its base procedure handles what reaches
// the end of the procedure chain. Returns its new handle (never 0).
HWND RegisterWindow(WNDPROC baseProc);
// Sends WM_DESTROY through the window's procedure chain, then forgets it.
void DestroyWindow(HWND h);
bool IsWindow(HWND h);

// Calls the window's current procedure and returns its result; 0 for an
// unknown handle (such as 0). lParam is, by this program's convention, the
// address of a 32-bit value.
LRESULT SendMessageA(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);

intptr_t GetPropA(HWND h, const char* name);
bool SetPropA(HWND h, const char* name, intptr_t value);
intptr_t RemovePropA(HWND h, const char* name);

// Only GWL_WNDPROC is supported: sets the window's procedure and returns the
// previous one (0 on failure).
intptr_t SetWindowLongA(HWND h, int index, intptr_t value);
LRESULT CallWindowProcA(intptr_t proc, HWND h, UINT msg, WPARAM wParam, LPARAM lParam);

// Moves and sizes a window (a registered widget follows); false for an unknown handle.
bool SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, uint32_t flags);

}  // namespace platform::win
