#pragma once
// Byte-pair scripts for caption screen tests, written the way captioners note
// line 21: four hex digits per pair of data bits ("1420"; odd parity is added),
// quoted text two characters a pair ('HELLO', an odd one padded with a null),
// and "#"-marked pairs sent exactly as written, parity and all ("#142f").
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace captionscreen_test {

using Pair = std::pair<uint8_t, uint8_t>;

std::vector<Pair> parsePairScript(std::string_view script);

// The screen text with the given 1-based rows filled in and every other row
// empty, as CaptionScreen::text() shows it.
std::string screenWith(const std::map<int, std::string>& rows);

}  // namespace captionscreen_test
