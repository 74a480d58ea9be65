#pragma once
// A 5x7 dot font built in, so the test picture looks the same on every
// machine whatever fonts it has. Upper case, digits and a little punctuation;
// lower case is drawn as upper case and anything else as a blank.
#include <array>
#include <cstdint>

namespace tools::stream {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Seven rows, bit 4 the leftmost dot.
using Glyph = std::array<uint8_t, kGlyphHeight>;

const Glyph& glyphOf(char c);

}  // namespace tools::stream
