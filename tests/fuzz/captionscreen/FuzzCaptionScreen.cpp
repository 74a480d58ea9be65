// Any byte stream, taken two bytes a pair, must keep the screen in bounds and
// keep the change counter honest: it moves exactly when the displayed memory
// differs from before the pair.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/captionscreen/CaptionScreen.h"

using platform::captionscreen::CaptionScreen;
using platform::captionscreen::Cell;
using platform::captionscreen::Colour;
using platform::captionscreen::Grid;

namespace {

bool cellIsSane(const Cell& cell) {
    return cell.colour >= Colour::White && cell.colour <= Colour::Magenta && cell.ch <= 0x10FFFF;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CaptionScreen screen;
    screen.init();
    for (size_t i = 0; i + 1 < size; i += 2) {
        const Grid before = screen.displayed();
        const uint64_t generation = screen.changed();
        screen.decode(data[i], data[i + 1]);
        const bool differs = screen.displayed() != before;
        if (screen.changed() != generation + (differs ? 1 : 0)) {
            __builtin_trap();
        }
        const int rows = screen.rollUpRows();
        if (rows != 0 && (rows < 2 || rows > 4)) {
            __builtin_trap();
        }
    }
    for (const auto& row : screen.displayed()) {
        for (const Cell& cell : row) {
            if (!cellIsSane(cell)) {
                __builtin_trap();
            }
        }
    }
    // Always fifteen rows.
    const std::string text = screen.text();
    if (std::count(text.begin(), text.end(), '\n') != 14) {
        __builtin_trap();
    }
    return 0;
}
