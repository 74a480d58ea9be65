#pragma once
// Roll-up lines and paint-on captions of data channel 1, followed on the
// caption screen a television keeps. Each is told twice: when its first
// character shows, and when it leaves the screen (scrolled out of the roll-up
// window, erased, or replaced), with its text as last shown. A line moving up
// the roll-up window is the same line, so it is never told again.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/captionscreen/CaptionScreen.h"
#include "platform/captionscreen/ScreenListener.h"

namespace captions {

class ScreenLineSink {
  public:
    // A roll-up line or a paint-on caption shows its first character. The
    // result is its start time, handed back when it closes.
    virtual int32_t screenLineOpened() = 0;
    // The oldest line still open has left the screen. Lines leave in the
    // order they opened. text: Windows-1252, spaces trimmed at both ends.
    virtual void screenLineClosed(int32_t start, std::string_view text) = 0;
    // The whole displayed memory is being erased (whatever style it showed).
    virtual void screenErased() = 0;

  protected:
    ~ScreenLineSink() = default;
};

class ScreenLines final : private platform::captionscreen::ScreenListener {
  public:
    explicit ScreenLines(ScreenLineSink& sink);
    ScreenLines(const ScreenLines&) = delete;
    ScreenLines& operator=(const ScreenLines&) = delete;

    // One byte pair as the caption hook hands it on: 0..127 each, parity gone.
    void decode(int32_t high, int32_t low);
    // Every open line ends now: a pop-on caption takes the screen.
    void closeAll();
    // Open lines are let go without a word: a new script starts.
    void forget();
    // A blank screen, as after switching captions on, and nothing open.
    void reset();

  private:
    void writing(int row, int column, char32_t ch) override;
    void scrolling() override;
    void erasing(int fromRow, int toRow) override;
    void replacing() override;

    void openRollUpLine();
    void closeOldestRollUpLine();
    void closeRollUpLines();
    void closePaintOn();
    // The row's cells in the columns given as bits, the others as spaces.
    void appendRow(std::string& out, int row, uint32_t columns) const;
    int rowOf(int offset) const { return screen_.baseRow() - offset; }

    struct RollUpLine {
        int32_t start = 0;
        int offset = 0;  // rows above the base row
    };
    static constexpr int kMaxRollUpLines = 4;

    ScreenLineSink& sink_;
    platform::captionscreen::CaptionScreen screen_;
    // Open roll-up lines, oldest (highest on the screen) first.
    std::array<RollUpLine, kMaxRollUpLines> rollUp_{};
    int rollUpCount_ = 0;
    bool paintOnOpen_ = false;
    int32_t paintOnStart_ = 0;
    // Per row, the columns the open paint-on caption has painted.
    std::array<uint32_t, platform::captionscreen::kRows> painted_{};
    // Kept, so closing a line allocates nothing once they have grown.
    std::string text_;
    std::string row_;
};

}  // namespace captions
