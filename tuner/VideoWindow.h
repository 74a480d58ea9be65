#pragma once
// The handle of the TV picture's window inside the main window.
#include "platform/win/Win.h"

// 0 until the main window has created the video window.
extern platform::win::HWND g_hVideoWnd;
