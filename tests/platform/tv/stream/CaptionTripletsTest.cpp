// Field-1 pairs out of cc_data: only valid CEA-608 field-1 triplets, their
// bytes exactly as broadcast, in order, with padding left out.
#include <gtest/gtest.h>

#include <vector>

#include "platform/tv/stream/CaptionTriplets.h"

using platform::tv::stream::appendField1Pairs;
using platform::tv::stream::LinePair;

namespace {

std::vector<LinePair> pairsOf(const std::vector<uint8_t>& ccData) {
    std::vector<LinePair> out;
    appendField1Pairs(ccData.data(), ccData.size(), out);
    return out;
}

TEST(CaptionTriplets, KeepsValidField1PairsAsBroadcastAndNothingElse) {
    const std::vector<uint8_t> cc = {
        0xFC, 0x94, 0x2C,  // field 1: erase displayed memory, parity as sent
        0xFD, 0x94, 0x2C,  // field 2
        0xFE, 0x41, 0x42,  // DTVCC data
        0xFF, 0x02, 0x21,  // DTVCC packet start
        0xF8, 0xC8, 0xC9,  // field 1 without cc_valid
        0xFA, 0x00, 0x00,  // DTVCC padding
        0xFC, 0x80, 0x80,  // field-1 null pair: padding
        0xFC, 0x14, 0x2C,  // field 1 with a wrong parity bit: passed on as it came
        0xFC, 0x80, 0x01,  // only half null: data
        0x04, 0xC8, 0x49,  // marker bits are not checked: cc_valid and cc_type decide
        0xFC, 0x20,        // a partial triplet at the end
    };
    const std::vector<LinePair> expected = {{0x94, 0x2C}, {0x14, 0x2C}, {0x80, 0x01}, {0xC8, 0x49}};
    EXPECT_EQ(pairsOf(cc), expected);
}

TEST(CaptionTriplets, PaddingBetweenControlCopiesLeavesThemBackToBack) {
    // An encoder at 59.94 separated the two copies with a null pair.
    std::vector<LinePair> out;
    const uint8_t frameA[] = {0xFC, 0x94, 0x2C, 0xFA, 0x00, 0x00};
    const uint8_t frameB[] = {0xFC, 0x80, 0x80};
    const uint8_t frameC[] = {0xFC, 0x94, 0x2C};
    appendField1Pairs(frameA, sizeof frameA, out);
    appendField1Pairs(frameB, sizeof frameB, out);
    appendField1Pairs(frameC, sizeof frameC, out);
    const std::vector<LinePair> expected = {{0x94, 0x2C}, {0x94, 0x2C}};
    EXPECT_EQ(out, expected);
    appendField1Pairs(nullptr, 9, out);
    EXPECT_EQ(out.size(), 2u);
}

}  // namespace
