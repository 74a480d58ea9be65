#include "captions/LineBits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <string>

namespace {

// Oracle: write the byte as eight binary digits and read them backwards.
int32_t reversedByString(int32_t x) {
    std::string bits = std::bitset<8>(static_cast<unsigned long>(x & 0xFF)).to_string();
    std::reverse(bits.begin(), bits.end());
    return static_cast<int32_t>(std::bitset<8>(bits).to_ulong());
}

TEST(LineBits, ReverseBitsOfEveryByteAndIgnoresUpperBits) {
    for (int32_t x = 0; x <= 0xFF; ++x) {
        ASSERT_EQ(ReverseBits(x), reversedByString(x)) << x;
        ASSERT_EQ(ReverseBits(x | 0x7F00), reversedByString(x)) << x;
        ASSERT_EQ(ReverseBits(x | static_cast<int32_t>(0x80000000u)), reversedByString(x)) << x;
    }
}

TEST(LineBits, HighAndLowByteOfSignedValues) {
    EXPECT_EQ(HighByte(0x2934), 0x29);
    EXPECT_EQ(LowByte(0x2934), 0x34);
    EXPECT_EQ(HighByte(0x12345678), 0x123456);
    EXPECT_EQ(HighByte(-1), -1);
    EXPECT_EQ(HighByte(-256), -1);
    EXPECT_EQ(HighByte(-257), -2);
    EXPECT_EQ(LowByte(-1), 0xFF);
}

TEST(LineBits, UnpackCaptionMessages) {
    struct Case {
        int32_t wParam;
        int32_t high;
        int32_t low;
    };
    const Case cases[] = {
        {0x2934, 0x14, 0x2C},     {static_cast<int32_t>(0xFFFF2934u), 0x14, 0x2C},
        {0x12342934, 0x14, 0x2C}, {0x1392, 0x48, 0x49},
        {0x0000, 0x00, 0x00},     {0x0101, 0x00, 0x00},  // only the parity bit set in each byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReverseBits(HighByte(c.wParam)) & 0x7F, c.high) << std::hex << c.wParam;
        EXPECT_EQ(ReverseBits(LowByte(c.wParam)) & 0x7F, c.low) << std::hex << c.wParam;
    }
}

}  // namespace
