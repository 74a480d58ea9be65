#include "captions/ScreenLines.h"

#include "captions/CaptionChars.h"
#include "platform/captionscreen/Parity.h"

namespace captions {

namespace {

using platform::captionscreen::CaptionMode;
using platform::captionscreen::kColumns;
using platform::captionscreen::kRows;

constexpr uint32_t kAllColumns = 0xFFFFFFFFu;
constexpr char kSpace = ' ';

// A space or a transparent space is no character of a line yet: a line
// starts with what the viewer can read.
bool isVisible(char32_t ch) {
    return ch != 0 && ch != U' ';
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == kSpace) {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == kSpace) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

ScreenLines::ScreenLines(ScreenLineSink& sink) : sink_(sink) {
    screen_.setListener(this);
}

void ScreenLines::decode(int32_t high, int32_t low) {
    // The screen takes bytes as they come off line 21; these arrived intact.
    screen_.decode(platform::captionscreen::withOddParity(static_cast<uint8_t>(high)),
                   platform::captionscreen::withOddParity(static_cast<uint8_t>(low)));
}

void ScreenLines::closeAll() {
    closeRollUpLines();
    closePaintOn();
}

void ScreenLines::forget() {
    rollUpCount_ = 0;
    paintOnOpen_ = false;
    painted_.fill(0);
}

void ScreenLines::reset() {
    forget();
    screen_.init();
}

void ScreenLines::writing(int row, int column, char32_t ch) {
    if (screen_.mode() == CaptionMode::RollUp) {
        // Roll-up writes on the base row only; its line starts with its
        // first character.
        const bool baseLineOpen = rollUpCount_ > 0 && rollUp_[rollUpCount_ - 1].offset == 0;
        if (!baseLineOpen && isVisible(ch)) {
            closePaintOn();
            openRollUpLine();
        }
        return;
    }
    // Painting over roll-up lines still on screen replaces them.
    closeRollUpLines();
    painted_[row] |= 1u << column;
    if (!paintOnOpen_ && isVisible(ch)) {
        paintOnStart_ = sink_.screenLineOpened();
        paintOnOpen_ = true;
    }
}

void ScreenLines::scrolling() {
    // The top row of the window leaves; every other line moves up one.
    const int window = screen_.rollUpRows();
    while (rollUpCount_ > 0 && rollUp_[0].offset >= window - 1) {
        closeOldestRollUpLine();
    }
    for (int i = 0; i < rollUpCount_; ++i) {
        ++rollUp_[i].offset;
    }
}

void ScreenLines::erasing(int fromRow, int toRow) {
    // Lines leave oldest first, and the oldest stand highest.
    while (rollUpCount_ > 0) {
        const int row = rowOf(rollUp_[0].offset);
        if (row < fromRow || row > toRow) {
            break;
        }
        closeOldestRollUpLine();
    }
    for (int row = fromRow; row <= toRow; ++row) {
        if (paintOnOpen_ && painted_[row] != 0) {
            closePaintOn();
        }
        painted_[row] = 0;
    }
    if (fromRow == 0 && toRow == kRows - 1) {
        sink_.screenErased();
    }
}

void ScreenLines::replacing() {
    closeAll();
}

void ScreenLines::openRollUpLine() {
    // Never more lines than a window holds; should one be left over, it has
    // gone from view by now.
    if (rollUpCount_ == kMaxRollUpLines) {
        closeOldestRollUpLine();
    }
    rollUp_[rollUpCount_] = RollUpLine{sink_.screenLineOpened(), 0};
    ++rollUpCount_;
}

void ScreenLines::closeOldestRollUpLine() {
    const RollUpLine line = rollUp_[0];
    for (int i = 1; i < rollUpCount_; ++i) {
        rollUp_[i - 1] = rollUp_[i];
    }
    --rollUpCount_;
    text_.clear();
    const int row = rowOf(line.offset);
    if (row >= 0 && row < kRows) {
        appendRow(text_, row, kAllColumns);
    }
    sink_.screenLineClosed(line.start, trimSpaces(text_));
}

void ScreenLines::closeRollUpLines() {
    while (rollUpCount_ > 0) {
        closeOldestRollUpLine();
    }
}

void ScreenLines::closePaintOn() {
    if (!paintOnOpen_) {
        painted_.fill(0);
        return;
    }
    paintOnOpen_ = false;
    // The painted rows top to bottom, each trimmed, one space between them,
    // as a pop-on caption's rows are joined.
    text_.clear();
    for (int row = 0; row < kRows; ++row) {
        if (painted_[row] == 0) {
            continue;
        }
        row_.clear();
        appendRow(row_, row, painted_[row]);
        const std::string_view shown = trimSpaces(row_);
        if (shown.empty()) {
            continue;
        }
        if (!text_.empty()) {
            text_ += kSpace;
        }
        text_ += shown;
    }
    painted_.fill(0);
    sink_.screenLineClosed(paintOnStart_, text_);
}

void ScreenLines::appendRow(std::string& out, int row, uint32_t columns) const {
    const platform::captionscreen::Row& cells = screen_.displayed()[row];
    for (int column = 0; column < kColumns; ++column) {
        const char32_t ch = (columns >> column & 1u) != 0 ? cells[column].ch : 0;
        if (ch == 0) {
            out += kSpace;
            continue;
        }
        const int32_t code = MapScreenChar(ch);
        if (code >= 0) {
            out += static_cast<char>(static_cast<unsigned char>(code));
        }
    }
}

}  // namespace captions
