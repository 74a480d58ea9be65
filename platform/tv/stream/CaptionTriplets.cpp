#include "platform/tv/stream/CaptionTriplets.h"

namespace platform::tv::stream {

namespace {
constexpr uint8_t kValid = 0x04;
constexpr uint8_t kTypeMask = 0x03;
constexpr uint8_t kField1 = 0x00;
constexpr uint8_t kPadding = 0x80;  // 0x00 with its odd parity bit
}  // namespace

void appendField1Pairs(const uint8_t* ccData, std::size_t size, std::vector<LinePair>& out) {
    if (ccData == nullptr) {
        return;
    }
    for (std::size_t i = 0; i + 3 <= size; i += 3) {
        const uint8_t head = ccData[i];
        if ((head & kValid) == 0 || (head & kTypeMask) != kField1) {
            continue;
        }
        const LinePair pair{ccData[i + 1], ccData[i + 2]};
        if (pair.first == kPadding && pair.second == kPadding) {
            continue;
        }
        out.push_back(pair);
    }
}

}  // namespace platform::tv::stream
