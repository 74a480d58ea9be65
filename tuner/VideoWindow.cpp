#include "tuner/VideoWindow.h"

platform::win::HWND g_hVideoWnd = 0;
