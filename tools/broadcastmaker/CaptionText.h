#pragma once
// Caption text as line-21 pop-on captions carry it: rows of at most 32
// columns at the bottom of the screen, each column a character of the basic,
// special or extended set, or a mid-row code that switches italics.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace tools::broadcast {

constexpr int kColumns = 32;
constexpr int kMaxRows = 4;

// One column of a caption row.
struct Cell {
    enum class Kind { Basic = 1, Special, Extended, MidRow };
    Kind kind = Kind::Basic;
    uint8_t set = 0;       // first byte of a special, extended or mid-row pair
    uint8_t code = 0;      // the basic character, or the second byte of the pair
    uint8_t fallback = 0;  // extended: the basic character decoders without the set keep
};

struct CaptionRow {
    std::vector<Cell> cells;
    int column = 0;          // where the first cell goes, 0 to 31
    bool italicPac = false;  // the row's preamble code itself starts italics
};

enum class Align { Centre = 1, Left };

// Lays out a transcript caption: "|" breaks a row, longer rows wrap at
// spaces, <i>...</i> is italics. Fails on a character line 21 cannot show, a
// word longer than a row, or more than four rows.
platform::Result<std::vector<CaptionRow>> layoutCaption(std::string_view text, Align align);

// A byte pair without parity bits.
struct Pair {
    uint8_t first = 0;
    uint8_t second = 0;
};

// One row on screen row screenRow (1 to 15): the pairs that place the cursor
// (its preamble code and tab offset, each twice), then those of its text.
struct RowPairs {
    std::vector<Pair> place;
    std::vector<Pair> text;
};
RowPairs rowPairs(const CaptionRow& row, int screenRow);

// The pairs that load the rows into the caption being built off screen:
// resume caption loading, erase non-displayed memory, then each row's
// preamble code, tab offset and characters. Control codes go twice, as
// broadcasters send them.
std::vector<Pair> loadingPairs(const std::vector<CaptionRow>& rows);

// The caption as words to speak: tags and row breaks gone.
std::string spokenText(std::string_view text);

}  // namespace tools::broadcast
