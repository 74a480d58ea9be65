#include "captions/modWndproc.h"

#include <cstdint>

#include "app/modMain.h"
#include "captions/LineBits.h"
#include "platform/tv/TvCard.h"
#include "tuner/VideoWindow.h"

using namespace platform::win;

void Hook(HWND h, WNDPROC proc) {
    if (GetPropA(h, kOldWndProcProp) != 0) {
        return;
    }
    intptr_t previous = SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(proc));
    if (previous != 0) {
        SetPropA(h, kOldWndProcProp, previous);
    }
}

bool Unhook(HWND h) {
    intptr_t previous = GetPropA(h, kOldWndProcProp);
    if (previous == 0) {
        return false;
    }
    if (SetWindowLongA(h, GWL_WNDPROC, previous) == 0) {
        return false;
    }
    RemovePropA(h, kOldWndProcProp);
    return true;
}

LRESULT WndProc(HWND h, UINT m, WPARAM wParam, LPARAM lParam) {
    if (m == WM_DESTROY) {
        // The window's own procedure sees its destruction before the hook lets go.
        CallWindowProcA(GetPropA(h, kOldWndProcProp), h, m, wParam, lParam);
        Unhook(h);
        return 0;
    }
    if (m == WM_MOVE) {
        int32_t position = static_cast<int32_t>(lParam);
        SendMessageA(g_hVideoWnd, WM_MOVE, wParam, reinterpret_cast<LPARAM>(&position));
    } else if (m == platform::tv::kMsgCaptionPair) {
        // Each byte arrives bit-reversed with its parity bit on top; the
        // parity is dropped untested, so a damaged pair still reaches the decoder.
        const int32_t w = static_cast<int32_t>(wParam);
        const int32_t high = ReverseBits(HighByte(w)) & 0x7F;
        const int32_t low = ReverseBits(LowByte(w)) & 0x7F;
        g_ccFactory->decode(high, low);
    }
    return CallWindowProcA(GetPropA(h, kOldWndProcProp), h, m, wParam, lParam);
}
