#include <gtest/gtest.h>

#include <bitset>

#include "platform/tv/Line21.h"

using namespace platform::tv;

namespace {

// Naive oracles, written differently from the helpers on purpose.
uint8_t naiveReverse(uint8_t b) {
    std::bitset<8> in(b), out;
    for (int k = 0; k < 8; ++k) {
        out[7 - k] = in[k];
    }
    return static_cast<uint8_t>(out.to_ulong());
}

TEST(Line21, ReversalAndParityAgreeWithNaiveVersionsForEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<uint8_t>(b);
        EXPECT_EQ(reverseBits(byte), naiveReverse(byte)) << b;
        EXPECT_EQ(reverseBits(reverseBits(byte)), byte) << b;
        const uint8_t p = withOddParity(byte);
        EXPECT_EQ(std::bitset<8>(p).count() % 2, 1u) << b;
        EXPECT_EQ(p & 0x7F, b & 0x7F) << b;
    }
}

TEST(Line21, PairsArePackedReversedFirstByteHigh) {
    EXPECT_EQ(packCaptionPair(0x94, 0x2C), 0x2934);  // erase displayed memory
    EXPECT_EQ(packCaptionPair(0xC8, 0x49), 0x1392);  // "HI" with parity
    EXPECT_EQ(packCaptionPair(kNullByte, kNullByte), 0x0101);
    EXPECT_EQ(withOddParity(0x14), 0x94);
    EXPECT_EQ(withOddParity(0x00), kNullByte);
}

}  // namespace
