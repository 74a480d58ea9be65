#pragma once
// The TV card's library as the program sees it: the DVA calls and the video
// window. The simulated card (the default) and the test card implement it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/win/Win.h"

namespace platform::tv {

using win::HWND;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// wCurrent channel, an ignored value, wFound (non-zero: a station); returns 1.
using ScanCallback = int16_t (*)(int32_t wCurrent, int32_t ignored, int32_t wFound);

// Messages the program sends the video window.
constexpr win::UINT kMsgStartPicture = win::WM_USER + 3;    // 1027
constexpr win::UINT kMsgStopAll = win::WM_USER + 4;         // 1028
constexpr win::UINT kMsgRecordingStop = win::WM_USER + 11;  // 1035, wParam 1 then 0
constexpr win::UINT kMsgCaptionTarget = win::WM_USER + 16;  // 1040, wParam = window, value 123
// The message the video window sends its caption target, one per frame.
constexpr win::UINT kMsgCaptionPair = win::WM_USER + 43;  // 1067
// DVASetProperty(0, kPropCaptionDisplay, 1) switches captions on the picture on.
constexpr int32_t kPropCaptionDisplay = 12;

class AudioFeed;

// Something a card offers in the program's Tuner menu after Auto Scan, as a
// driver's control panel would: the item's caption (with its & mnemonic), a
// name for the menu item, and what choosing it does (on the user-interface
// thread).
struct CardMenuItem {
    std::string caption;
    std::string name;
    std::function<void()> choose;
};

class TvCard {
  public:
    virtual ~TvCard() = default;

    // A card that fails to load says why; the program reports it and ends.
    virtual Status DVALoad(intptr_t hInstance) = 0;
    virtual int32_t DVATuneChannels(int32_t zero) = 0;
    virtual int32_t DVAAudioSetVolume(int32_t zero, int32_t volume) = 0;
    virtual int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value) = 0;
    virtual int32_t DVATuneSetChannel(int32_t zero, int16_t channel) = 0;
    virtual int32_t DVATuneScan(int32_t zero, ScanCallback callback) = 0;
    virtual int32_t DVAFree() = 0;

    // Creates the video window as a child of parent at the pixel rectangle.
    virtual HWND CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) = 0;

    // The card's sound as a line-out cable would carry it (nullptr: none).
    virtual AudioFeed* audioFeed() { return nullptr; }

    // The card's own Tuner menu items (none by default); asked once, after
    // a successful DVALoad.
    virtual std::vector<CardMenuItem> tunerMenuItems() { return {}; }
};

// The card the program uses: set once at start-up (or by a test).
TvCard& currentCard();
void setCurrentCard(std::unique_ptr<TvCard> card);
// Ends the card in use while the application object still exists (its
// sound and timers need it); a card that fails to load takes its place
// for anything asked afterwards.
void releaseCurrentCard();

}  // namespace platform::tv
