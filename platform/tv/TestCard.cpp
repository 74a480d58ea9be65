#include "platform/tv/TestCard.h"

#include <map>
#include <utility>

#include "platform/tv/Line21.h"
#include "platform/win/WinHost.h"

namespace platform::tv {
namespace {

// The video windows' procedure has no room for a pointer, so it finds its
// card by handle.
std::map<HWND, TestCard*>& cards() {
    static std::map<HWND, TestCard*> m;
    return m;
}

win::LRESULT videoProc(HWND h, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    auto it = cards().find(h);
    if (it != cards().end()) {
        it->second->noteMessage(msg, wParam, lParam);
    }
    return 0;
}

}  // namespace

std::string CardCall::text() const {
    std::string s = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        s += (i == 0 ? "" : ", ") + std::to_string(args[i]);
    }
    return s + ")";
}

TestCard::TestCard(int32_t channels) : channels_(channels) {}

TestCard::~TestCard() {
    if (videoWindow_ != 0) {
        cards().erase(videoWindow_);
        win::DestroyWindow(videoWindow_);
    }
}

std::vector<std::string> TestCard::callNames() const {
    std::vector<std::string> names;
    for (const CardCall& c : calls_) {
        names.push_back(c.name);
    }
    return names;
}

std::vector<std::string> TestCard::callTexts() const {
    std::vector<std::string> texts;
    for (const CardCall& c : calls_) {
        texts.push_back(c.text());
    }
    return texts;
}

void TestCard::log(std::string name, std::vector<int64_t> args) {
    calls_.push_back(CardCall{std::move(name), std::move(args)});
}

Status TestCard::DVALoad(intptr_t hInstance) {
    log("DVALoad", {hInstance});
    if (!loadFailure_.empty()) {
        return Error{loadFailure_};
    }
    loaded_ = true;
    return {};
}

int32_t TestCard::DVATuneChannels(int32_t zero) {
    log("DVATuneChannels", {zero});
    return static_cast<int32_t>(static_cast<uint32_t>(channels_) << 16);
}

int32_t TestCard::DVAAudioSetVolume(int32_t zero, int32_t volume) {
    log("DVAAudioSetVolume", {zero, volume});
    return 1;
}

int32_t TestCard::DVASetProperty(int32_t zero, int32_t property, int32_t value) {
    log("DVASetProperty", {zero, property, value});
    return 1;
}

int32_t TestCard::DVATuneSetChannel(int32_t zero, int16_t channel) {
    log("DVATuneSetChannel", {zero, channel});
    tuned_ = channel;
    return 1;
}

int32_t TestCard::DVATuneScan(int32_t zero, ScanCallback callback) {
    log("DVATuneScan", {zero});
    if (callback == nullptr) {
        return 0;
    }
    for (int32_t ch = 1; ch <= channels_; ++ch) {
        callback(ch, 0, found_.count(ch) != 0 ? 1 : 0);
    }
    return 1;
}

int32_t TestCard::DVAFree() {
    log("DVAFree", {});
    loaded_ = false;
    return 1;
}

HWND TestCard::CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) {
    log("CreateVideoWindow", {parent, hInstance, r.left, r.top, r.right, r.bottom});
    win::WindowHooks hooks;
    hooks.move = [this](int x, int y, int cx, int cy) { log("SetWindowPos", {x, y, cx, cy}); };
    const HWND h = win::RegisterWindowWithHooks(&videoProc, std::move(hooks));
    cards()[h] = this;
    videoWindow_ = h;
    return h;
}

void TestCard::noteMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const int32_t value = lParam == 0 ? 0 : *reinterpret_cast<const int32_t*>(lParam);
    std::string name = msg == win::WM_MOVE      ? "WM_MOVE"
                       : msg == win::WM_DESTROY ? "WM_DESTROY"
                                                : std::to_string(msg);
    log(std::move(name), {wParam, value});
    if (msg == kMsgCaptionTarget && value == 123) {
        captionTarget_ = wParam;
    } else if (msg == kMsgStopAll) {
        captionTarget_ = 0;
    } else if (msg == win::WM_DESTROY) {
        cards().erase(videoWindow_);
        videoWindow_ = 0;
        captionTarget_ = 0;
    }
}

bool TestCard::sendCaptionPair(uint8_t first, uint8_t second) {
    if (captionTarget_ == 0) {
        return false;
    }
    int32_t ignored = 0;
    win::SendMessageA(captionTarget_, kMsgCaptionPair, packCaptionPair(first, second),
                      reinterpret_cast<win::LPARAM>(&ignored));
    return true;
}

}  // namespace platform::tv
