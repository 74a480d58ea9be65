#include "tuner/modVid.h"

using platform::tv::currentCard;

platform::Status DVALoad(intptr_t hInstance) {
    return currentCard().DVALoad(hInstance);
}

int32_t DVATuneChannels(int32_t zero) {
    return currentCard().DVATuneChannels(zero);
}

int32_t DVAAudioSetVolume(int32_t zero, int32_t volume) {
    return currentCard().DVAAudioSetVolume(zero, volume);
}

int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value) {
    return currentCard().DVASetProperty(zero, property, value);
}

int32_t DVATuneSetChannel(int32_t zero, int16_t channel) {
    return currentCard().DVATuneSetChannel(zero, channel);
}

int32_t DVATuneScan(int32_t zero, platform::tv::ScanCallback callback) {
    return currentCard().DVATuneScan(zero, callback);
}

int32_t DVAFree() {
    return currentCard().DVAFree();
}

platform::win::HWND CreateVideoWindow(platform::win::HWND parent, intptr_t hInstance, int left,
                                      int top, int right, int bottom) {
    return currentCard().CreateVideoWindow(parent, hInstance,
                                           platform::tv::Rect{left, top, right, bottom});
}

void SendVideoMessage(platform::win::UINT msg, platform::win::WPARAM wParam, int32_t value) {
    int32_t slot = value;
    platform::win::SendMessageA(g_hVideoWnd, msg, wParam,
                                reinterpret_cast<platform::win::LPARAM>(&slot));
}
