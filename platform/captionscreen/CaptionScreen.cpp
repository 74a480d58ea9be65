#include "platform/captionscreen/CaptionScreen.h"

#include <algorithm>

#include "platform/captionscreen/CharacterSets.h"
#include "platform/captionscreen/Parity.h"

namespace platform::captionscreen {

namespace {

// Row (1-based) of a preamble address code, by the low three bits of its
// first byte and bit 5 of its second byte; 0 where there is none.
constexpr int kPacRows[8][2] = {
    {11, 0},   // 0x10
    {1, 2},    // 0x11
    {3, 4},    // 0x12
    {12, 13},  // 0x13
    {14, 15},  // 0x14
    {5, 6},    // 0x15
    {7, 8},    // 0x16
    {9, 10},   // 0x17
};

// Colours by bits 1..3 of a preamble address or mid-row code; code 7 is italics.
constexpr Colour kColours[7] = {
    Colour::White, Colour::Green,  Colour::Blue,    Colour::Cyan,
    Colour::Red,   Colour::Yellow, Colour::Magenta,
};
constexpr int kItalicsCode = 7;

constexpr uint16_t rowBit(int row) {
    return static_cast<uint16_t>(1u << row);
}
// Bits fromRow..toRow; none when the range is empty.
constexpr uint16_t rowBits(int fromRow, int toRow) {
    if (fromRow > toRow) {
        return 0;
    }
    return static_cast<uint16_t>(((1u << (toRow + 1)) - 1) & ~((1u << fromRow) - 1));
}

bool isControlByte(uint8_t data) {
    return data >= 0x10 && data <= 0x1F;
}
// Extended data service, sent on field 2; not captions.
bool isXdsByte(uint8_t data) {
    return data >= 0x01 && data <= 0x0F;
}

bool isPac(uint8_t second) {
    return second >= 0x40 && second <= 0x7F;
}
bool isMisc(uint8_t first, uint8_t second) {
    return first == 0x14 && second >= 0x20 && second <= 0x2F;
}
bool isTab(uint8_t first, uint8_t second) {
    return first == 0x17 && second >= 0x21 && second <= 0x23;
}
bool isMidRow(uint8_t first, uint8_t second) {
    return first == 0x11 && second >= 0x20 && second <= 0x2F;
}
bool isSpecial(uint8_t first, uint8_t second) {
    return first == 0x11 && second >= 0x30 && second <= 0x3F;
}
bool isExtended(uint8_t first, uint8_t second) {
    return (first == 0x12 || first == 0x13) && second >= 0x20 && second <= 0x3F;
}

}  // namespace

void CaptionScreen::init() {
    for (Grid& memory : memories_) {
        eraseRows(memory, 0, kRows - 1);
    }
    displayedIndex_ = 0;
    mode_ = CaptionMode::PopOn;
    rollUpRows_ = 0;
    baseRow_ = kRows - 1;
    cursorRow_ = kRows - 1;
    cursorColumn_ = 0;
    colour_ = Colour::White;
    italic_ = false;
    underline_ = false;
    channel_ = 1;
    lastControl_ = 0;
    if (displayedTouched_) {
        ++generation_;
        displayedTouched_ = false;
    }
}

void CaptionScreen::decode(uint8_t first, uint8_t second) {
    // Both bytes zero: the line carried no data at all this frame.
    if (first == 0 && second == 0) {
        return;
    }
    const bool firstOk = hasOddParity(first);
    const bool secondOk = hasOddParity(second);
    const uint8_t b1 = first & 0x7F;
    const uint8_t b2 = second & 0x7F;

    if (isControlByte(b1)) {
        // A damaged control code could mean anything: receivers ignore it.
        if (!firstOk || !secondOk) {
            lastControl_ = 0;
            return;
        }
        // Broadcasters send each control code twice in a row; the copy is
        // dropped. A third copy, or one after any other pair, acts again.
        const uint16_t code = static_cast<uint16_t>(b1 << 8 | b2);
        if (code == lastControl_) {
            lastControl_ = 0;
            return;
        }
        lastControl_ = code;
        channel_ = (b1 & 0x08) != 0 ? 2 : 1;
        if (channel_ == 1) {
            handleControl(b1, b2);
        }
    } else {
        lastControl_ = 0;
        if (!(firstOk && isXdsByte(b1))) {
            handleCharacters(b1, b2, firstOk, secondOk);
        }
    }
    if (displayedTouched_) {
        ++generation_;
        displayedTouched_ = false;
    }
}

void CaptionScreen::handleControl(uint8_t first, uint8_t second) {
    if (isMisc(first, second)) {
        handleMisc(second);
        return;
    }
    // The rest belongs to a caption on screen; text service codes leave it be.
    if (mode_ == CaptionMode::Text) {
        return;
    }
    if (isPac(second)) {
        handlePac(first, second);
    } else if (isTab(first, second)) {
        handleTab(second);
    } else if (isMidRow(first, second)) {
        handleMidRow(second);
    } else if (isSpecial(first, second)) {
        handleSpecial(second);
    } else if (isExtended(first, second)) {
        handleExtended(first, second);
    }
    // Background attributes and the other codes change nothing a caption shows.
}

void CaptionScreen::handleCharacters(uint8_t first, uint8_t second, bool firstOk, bool secondOk) {
    if (channel_ != 1 || mode_ == CaptionMode::Text) {
        return;
    }
    // A null (or a stray code below 0x20) fills a byte and shows nothing.
    char32_t chars[2] = {
        firstOk ? standardCharacter(first) : kSolidBlock,
        secondOk ? standardCharacter(second) : kSolidBlock,
    };
    // On a full row both land in the last column and only the second stays.
    if (chars[0] != 0 && chars[1] != 0 && cursorColumn_ >= kColumns - 1) {
        chars[0] = 0;
    }
    for (const char32_t ch : chars) {
        if (ch != 0) {
            putChar(ch);
        }
    }
}

void CaptionScreen::handleMisc(uint8_t second) {
    switch (second) {
        case 0x20:
            handleRcl();
            break;
        case 0x21:
            handleBs();
            break;
        case 0x24:
            handleDer();
            break;
        case 0x25:
            handleRollUp(2);
            break;
        case 0x26:
            handleRollUp(3);
            break;
        case 0x27:
            handleRollUp(4);
            break;
        case 0x29:
            mode_ = CaptionMode::PaintOn;
            break;
        case 0x2A:  // text restart
        case 0x2B:  // resume text display
            mode_ = CaptionMode::Text;
            break;
        case 0x2C:
            handleEdm();
            break;
        case 0x2D:
            handleCr();
            break;
        case 0x2E:
            handleEnm();
            break;
        case 0x2F:
            handleEoc();
            break;
        default:
            break;  // alarm off / on, flash on: nothing to show
    }
}

void CaptionScreen::handleRcl() {
    mode_ = CaptionMode::PopOn;
    rollUpRows_ = 0;
}

void CaptionScreen::handleBs() {
    if (mode_ == CaptionMode::Text || cursorColumn_ == 0) {
        return;
    }
    --cursorColumn_;
    eraseCell(writeMemory(), cursorRow_, cursorColumn_);
}

void CaptionScreen::handleDer() {
    if (mode_ == CaptionMode::Text) {
        return;
    }
    Grid& memory = writeMemory();
    for (int column = cursorColumn_; column < kColumns; ++column) {
        eraseCell(memory, cursorRow_, column);
    }
}

void CaptionScreen::handleRollUp(int rows) {
    if (mode_ != CaptionMode::RollUp) {
        // Leaving pop-on or paint-on style clears the screen; roll-up starts
        // at the bottom row until a preamble address code moves it.
        eraseDisplayedRows(0, kRows - 1);
        mode_ = CaptionMode::RollUp;
        baseRow_ = kRows - 1;
        cursorRow_ = baseRow_;
        cursorColumn_ = 0;
    }
    rollUpRows_ = rows;
    if (baseRow_ < rows - 1) {
        moveRollUpWindow(rows - 1);
    }
    keepOnlyRollUpWindow();
}

void CaptionScreen::handleCr() {
    if (mode_ != CaptionMode::RollUp) {
        return;
    }
    if (listener_ != nullptr) {
        listener_->scrolling();
    }
    // The window scrolls up one whole row; its top row leaves the screen.
    Grid& screen = displayedMemory();
    uint16_t& inUse = rowsInUse_[displayedIndex_];
    const int top = baseRow_ - rollUpRows_ + 1;
    for (int row = top; row < baseRow_; ++row) {
        if ((inUse & (rowBit(row) | rowBit(row + 1))) == 0) {
            continue;  // an empty row moves onto an empty row
        }
        inUse = static_cast<uint16_t>((inUse & ~rowBit(row)) | ((inUse & rowBit(row + 1)) >> 1));
        for (int column = 0; column < kColumns; ++column) {
            if (screen[row][column] != screen[row + 1][column]) {
                screen[row][column] = screen[row + 1][column];
                displayedTouched_ = true;
            }
        }
    }
    eraseRows(screen, baseRow_, baseRow_);
    cursorRow_ = baseRow_;
    cursorColumn_ = 0;
}

void CaptionScreen::handleEdm() {
    eraseDisplayedRows(0, kRows - 1);
}

void CaptionScreen::handleEnm() {
    eraseRows(nonDisplayedMemory(), 0, kRows - 1);
}

void CaptionScreen::handleEoc() {
    if (listener_ != nullptr) {
        listener_->replacing();
    }
    // The caption built off screen and the one on screen trade places, even
    // when nothing was built: the screen then goes blank. Rows empty in both
    // are alike.
    const uint16_t inEither = rowsInUse_[0] | rowsInUse_[1];
    for (int row = 0; row < kRows && !displayedTouched_; ++row) {
        if ((inEither & rowBit(row)) != 0 && memories_[0][row] != memories_[1][row]) {
            displayedTouched_ = true;
        }
    }
    displayedIndex_ = 1 - displayedIndex_;
    mode_ = CaptionMode::PopOn;
    rollUpRows_ = 0;
}

void CaptionScreen::handlePac(uint8_t first, uint8_t second) {
    const int row = kPacRows[first & 0x07][(second >> 5) & 1] - 1;
    if (row < 0) {
        return;
    }
    const uint8_t attributes = second & 0x1F;
    underline_ = (attributes & 1) != 0;
    int indent = 0;
    if (attributes < 0x10) {
        const int code = attributes >> 1;
        italic_ = code == kItalicsCode;
        colour_ = italic_ ? Colour::White : kColours[code];
    } else {
        indent = ((attributes - 0x10) >> 1) * 4;
        italic_ = false;
        colour_ = Colour::White;
    }
    if (mode_ == CaptionMode::RollUp) {
        // The base row follows the code, and the rows already up go with it.
        moveRollUpWindow(std::max(row, rollUpRows_ - 1));
    } else {
        cursorRow_ = row;
    }
    cursorColumn_ = indent;
}

void CaptionScreen::handleMidRow(uint8_t second) {
    const int code = (second >> 1) & 0x07;
    if (code == kItalicsCode) {
        italic_ = true;  // italics keep the colour
    } else {
        colour_ = kColours[code];
        italic_ = false;
    }
    underline_ = (second & 1) != 0;
    // The code takes up its column as a space.
    putChar(U' ');
}

void CaptionScreen::handleTab(uint8_t second) {
    if (cursorColumn_ < kColumns - 1) {
        cursorColumn_ = std::min(cursorColumn_ + (second - 0x20), kColumns - 1);
    }
}

void CaptionScreen::handleSpecial(uint8_t second) {
    if (isTransparentSpace(0x11, second)) {
        putCell(Cell{});
        return;
    }
    putChar(specialCharacter(second));
}

void CaptionScreen::handleExtended(uint8_t first, uint8_t second) {
    // Receivers without these characters show the standard one the
    // broadcaster sent first; this one takes its place.
    if (cursorColumn_ > 0) {
        --cursorColumn_;
    }
    putChar(extendedCharacter(first, second));
}

void CaptionScreen::putChar(char32_t ch) {
    Cell cell;
    cell.ch = ch;
    cell.colour = colour_;
    cell.italic = italic_;
    cell.underline = underline_;
    putCell(cell);
}

void CaptionScreen::putCell(const Cell& cell) {
    const int column = std::min(cursorColumn_, kColumns - 1);
    if (listener_ != nullptr && writesOnScreen()) {
        listener_->writing(cursorRow_, column, cell.ch);
    }
    Grid& memory = writeMemory();
    if (!cell.isEmpty()) {
        rowsInUse_[indexOf(memory)] |= rowBit(cursorRow_);
    }
    Cell& target = memory[cursorRow_][column];
    if (target != cell) {
        target = cell;
        displayedTouched_ = displayedTouched_ || writesOnScreen();
    }
    cursorColumn_ = std::min(cursorColumn_ + 1, kColumns);
}

void CaptionScreen::eraseCell(Grid& memory, int row, int column) {
    Cell& target = memory[row][column];
    if (target != Cell{}) {
        target = Cell{};
        displayedTouched_ = displayedTouched_ || &memory == &displayedMemory();
    }
}

void CaptionScreen::eraseRows(Grid& memory, int fromRow, int toRow) {
    uint16_t& inUse = rowsInUse_[indexOf(memory)];
    for (int row = fromRow; row <= toRow; ++row) {
        if ((inUse & rowBit(row)) == 0) {
            continue;
        }
        for (int column = 0; column < kColumns; ++column) {
            eraseCell(memory, row, column);
        }
    }
    inUse = static_cast<uint16_t>(inUse & ~rowBits(fromRow, toRow));
}

void CaptionScreen::eraseDisplayedRows(int fromRow, int toRow) {
    if (fromRow > toRow) {
        return;
    }
    if (listener_ != nullptr) {
        listener_->erasing(fromRow, toRow);
    }
    eraseRows(displayedMemory(), fromRow, toRow);
}

void CaptionScreen::keepOnlyRollUpWindow() {
    eraseDisplayedRows(0, baseRow_ - rollUpRows_);
    eraseDisplayedRows(baseRow_ + 1, kRows - 1);
}

void CaptionScreen::moveRollUpWindow(int newBaseRow) {
    if (newBaseRow != baseRow_) {
        Grid& screen = displayedMemory();
        uint16_t& inUse = rowsInUse_[displayedIndex_];
        const uint16_t usedBefore = inUse;
        const Grid before = screen;
        for (Row& row : screen) {
            row.fill(Cell{});
        }
        inUse = 0;
        // A window growing near the top has fewer rows above its base than
        // it will have: only the rows that exist move.
        for (int i = 0; i < rollUpRows_ && baseRow_ - i >= 0; ++i) {
            screen[newBaseRow - i] = before[baseRow_ - i];
            if ((usedBefore & rowBit(baseRow_ - i)) != 0) {
                inUse |= rowBit(newBaseRow - i);
            }
        }
        displayedTouched_ = displayedTouched_ || screen != before;
        baseRow_ = newBaseRow;
    }
    cursorRow_ = baseRow_;
}

}  // namespace platform::captionscreen
