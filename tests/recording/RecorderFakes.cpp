#include "tests/recording/RecorderFakes.h"

#include "platform/tv/TvCard.h"

namespace recording::testing {

namespace {
EventLog* g_videoLog = nullptr;

platform::win::LRESULT videoProc(platform::win::HWND, platform::win::UINT msg,
                                 platform::win::WPARAM wParam, platform::win::LPARAM lParam) {
    if (g_videoLog && msg == platform::tv::kMsgRecordingStop) {
        const int32_t value = lParam ? *reinterpret_cast<const int32_t*>(lParam) : -1;
        g_videoLog->events.push_back("1035 wParam " + std::to_string(wParam) + " value " +
                                     std::to_string(value));
    }
    return 0;
}
}  // namespace

VideoWindow::VideoWindow(EventLog& log) {
    g_videoLog = &log;
    handle = platform::win::RegisterWindow(&videoProc);
}

VideoWindow::~VideoWindow() {
    platform::win::DestroyWindow(handle);
    g_videoLog = nullptr;
}

}  // namespace recording::testing
