#pragma once
// One character cell of the caption screen a television keeps: 15 rows of 32
// columns, each cell a character with its colour, italics and underline.
#include <array>
#include <cstdint>

namespace platform::captionscreen {

constexpr int kRows = 15;
constexpr int kColumns = 32;

// The seven foreground colours a preamble address or mid-row code can choose.
enum class Colour : uint8_t { White = 1, Green, Blue, Cyan, Red, Yellow, Magenta };

// What receivers draw for a byte that arrived with a parity error (and for 0x7F).
constexpr char32_t kSolidBlock = U'\u2588';

struct Cell {
    char32_t ch = 0;  // 0: nothing written here, the picture shows through
    Colour colour = Colour::White;
    bool italic = false;
    bool underline = false;

    bool isEmpty() const { return ch == 0; }
    bool operator==(const Cell&) const = default;
};

using Row = std::array<Cell, kColumns>;
using Grid = std::array<Row, kRows>;

}  // namespace platform::captionscreen
