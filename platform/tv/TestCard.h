#pragma once
// A card for tests: it does what it is told without any picture or sound and
// records every call and every message its video window gets, in order.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/tv/TvCard.h"

namespace platform::tv {

// One thing the card was asked to do. Library calls are named after the call
// ("DVATuneSetChannel", args {0, 3}); messages to the video window by their
// number ("1040", args {wParam, value at lParam or 0}) except "WM_MOVE" and
// "WM_DESTROY"; SetWindowPos on the video window is "SetWindowPos"
// (args {x, y, cx, cy}); "CreateVideoWindow" has {parent, instance, left,
// top, right, bottom}.
struct CardCall {
    std::string name;
    std::vector<int64_t> args;

    // "DVATuneSetChannel(0, 3)"
    std::string text() const;
    bool operator==(const CardCall&) const = default;
};

class TestCard final : public TvCard {
  public:
    explicit TestCard(int32_t channels = 125);
    ~TestCard() override;
    TestCard(const TestCard&) = delete;
    TestCard& operator=(const TestCard&) = delete;

    // Configuration.
    void setChannelCount(int32_t n) { channels_ = n; }
    void setFoundChannels(std::set<int32_t> found) { found_ = std::move(found); }
    // DVALoad fails with this reason from now on.
    void failLoad(std::string reason) { loadFailure_ = std::move(reason); }
    // Items the card offers for the Tuner menu.
    void setMenuItems(std::vector<CardMenuItem> items) { menuItems_ = std::move(items); }

    // What happened.
    const std::vector<CardCall>& calls() const { return calls_; }
    std::vector<std::string> callNames() const;
    std::vector<std::string> callTexts() const;
    void clearCalls() { calls_.clear(); }
    HWND videoWindow() const { return videoWindow_; }
    HWND captionTarget() const { return captionTarget_; }
    int16_t tunedChannel() const { return tuned_; }
    bool loaded() const { return loaded_; }

    // Sends the caption target one 1067 message as the card would for a
    // frame carrying these bytes (parity included); false without a target.
    bool sendCaptionPair(uint8_t first, uint8_t second);

    Status DVALoad(intptr_t hInstance) override;
    int32_t DVATuneChannels(int32_t zero) override;
    int32_t DVAAudioSetVolume(int32_t zero, int32_t volume) override;
    int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value) override;
    int32_t DVATuneSetChannel(int32_t zero, int16_t channel) override;
    int32_t DVATuneScan(int32_t zero, ScanCallback callback) override;
    int32_t DVAFree() override;
    HWND CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) override;
    std::vector<CardMenuItem> tunerMenuItems() override { return menuItems_; }

    // Called by the video window's procedure.
    void noteMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

  private:
    void log(std::string name, std::vector<int64_t> args);

    int32_t channels_ = 125;
    std::set<int32_t> found_;
    std::string loadFailure_;
    std::vector<CardMenuItem> menuItems_;
    std::vector<CardCall> calls_;
    HWND videoWindow_ = 0;
    HWND captionTarget_ = 0;
    int16_t tuned_ = 0;
    bool loaded_ = false;
};

}  // namespace platform::tv
