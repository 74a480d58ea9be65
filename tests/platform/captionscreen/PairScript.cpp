#include "tests/platform/captionscreen/PairScript.h"

#include <stdexcept>

#include "platform/captionscreen/CaptionCell.h"
#include "platform/captionscreen/Parity.h"

namespace captionscreen_test {

using platform::captionscreen::kRows;
using platform::captionscreen::withOddParity;

namespace {

uint8_t hexByte(std::string_view digits) {
    return static_cast<uint8_t>(std::stoul(std::string(digits), nullptr, 16));
}

}  // namespace

std::vector<Pair> parsePairScript(std::string_view script) {
    std::vector<Pair> pairs;
    std::size_t at = 0;
    while (at < script.size()) {
        const char c = script[at];
        if (c == ' ') {
            ++at;
        } else if (c == '\'') {
            const std::size_t close = script.find('\'', at + 1);
            if (close == std::string_view::npos) {
                throw std::invalid_argument("unclosed text in pair script");
            }
            const std::string_view text = script.substr(at + 1, close - at - 1);
            for (std::size_t i = 0; i < text.size(); i += 2) {
                const uint8_t second = i + 1 < text.size() ? static_cast<uint8_t>(text[i + 1]) : 0;
                pairs.emplace_back(withOddParity(static_cast<uint8_t>(text[i])),
                                   withOddParity(second));
            }
            at = close + 1;
        } else if (c == '#') {
            pairs.emplace_back(hexByte(script.substr(at + 1, 2)),
                               hexByte(script.substr(at + 3, 2)));
            at += 5;
        } else {
            pairs.emplace_back(withOddParity(hexByte(script.substr(at, 2))),
                               withOddParity(hexByte(script.substr(at + 2, 2))));
            at += 4;
        }
    }
    return pairs;
}

std::string screenWith(const std::map<int, std::string>& rows) {
    std::string out;
    for (int row = 1; row <= kRows; ++row) {
        if (row > 1) {
            out += '\n';
        }
        const auto found = rows.find(row);
        out += found != rows.end() ? found->second : "~";
    }
    return out;
}

}  // namespace captionscreen_test
