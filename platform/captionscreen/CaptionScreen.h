#pragma once
// The caption screen a television with captions switched on keeps for data
// channel 1 (CC1) of line 21, field 1, after CEA-608: a displayed memory the
// picture shows and a non-displayed memory pop-on captions are built in. It
// takes one byte pair per frame and costs the same for every pair; nothing
// is allocated after construction.
#include <array>
#include <cstdint>
#include <string>

#include "platform/captionscreen/CaptionCell.h"
#include "platform/captionscreen/ScreenListener.h"

namespace platform::captionscreen {

enum class CaptionMode : uint8_t { PopOn = 1, RollUp, PaintOn, Text };

class CaptionScreen {
  public:
    CaptionScreen() { init(); }

    // Blank memories, pop-on style, channel 1; the change counter carries on.
    void init();

    // One pair as it comes off line 21: data bits in normal order, the odd
    // parity bit on top of each byte.
    void decode(uint8_t first, uint8_t second);

    const Grid& displayed() const { return memories_[displayedIndex_]; }
    // Advances each time the displayed memory changes, and only then.
    uint64_t changed() const { return generation_; }

    // The displayed rows joined by '\n' (UTF-8), trailing blanks trimmed,
    // cells with nothing written as spaces, a row with nothing at all as "~".
    std::string text() const;

    CaptionMode mode() const { return mode_; }
    int rollUpRows() const { return rollUpRows_; }
    // The roll-up window's bottom row, 0-based.
    int baseRow() const { return baseRow_; }

    // Told of every change to the displayed memory from now on (nullptr: no
    // one); init() tells nothing.
    void setListener(ScreenListener* listener) { listener_ = listener; }

  private:
    Grid& displayedMemory() { return memories_[displayedIndex_]; }
    Grid& nonDisplayedMemory() { return memories_[1 - displayedIndex_]; }
    // Pop-on captions are built off screen; the other styles write on screen.
    Grid& writeMemory() {
        return mode_ == CaptionMode::PopOn ? nonDisplayedMemory() : displayedMemory();
    }
    bool writesOnScreen() const {
        return mode_ == CaptionMode::RollUp || mode_ == CaptionMode::PaintOn;
    }

    void handleControl(uint8_t first, uint8_t second);
    void handleCharacters(uint8_t first, uint8_t second, bool firstOk, bool secondOk);
    void handleMisc(uint8_t second);
    void handlePac(uint8_t first, uint8_t second);
    void handleMidRow(uint8_t second);
    void handleTab(uint8_t second);
    void handleSpecial(uint8_t second);
    void handleExtended(uint8_t first, uint8_t second);

    void handleRcl();
    void handleBs();
    void handleDer();
    void handleRollUp(int rows);
    void handleCr();
    void handleEdm();
    void handleEnm();
    void handleEoc();

    void putChar(char32_t ch);
    void putCell(const Cell& cell);
    void eraseCell(Grid& memory, int row, int column);
    void eraseRows(Grid& memory, int fromRow, int toRow);
    void eraseDisplayedRows(int fromRow, int toRow);
    int indexOf(const Grid& memory) const { return &memory == &memories_[0] ? 0 : 1; }
    void keepOnlyRollUpWindow();
    void moveRollUpWindow(int newBaseRow);

    std::array<Grid, 2> memories_{};
    // Per memory, bit r set when row r may hold a character: rows known empty
    // are skipped by erases, scrolls and comparisons.
    std::array<uint16_t, 2> rowsInUse_{};
    int displayedIndex_ = 0;
    uint64_t generation_ = 0;
    bool displayedTouched_ = false;  // set by this pair's handler, counted once

    CaptionMode mode_ = CaptionMode::PopOn;
    int rollUpRows_ = 0;  // 2, 3 or 4 in roll-up style
    int baseRow_ = kRows - 1;
    int cursorRow_ = kRows - 1;
    int cursorColumn_ = 0;  // kColumns once a row is full: more characters overwrite the last

    Colour colour_ = Colour::White;
    bool italic_ = false;
    bool underline_ = false;

    int channel_ = 1;           // data channel the last control code selected
    uint16_t lastControl_ = 0;  // the control pair just acted on, 0 for none

    ScreenListener* listener_ = nullptr;
};

}  // namespace platform::captionscreen
