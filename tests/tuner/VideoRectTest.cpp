#include <gtest/gtest.h>

#include "tuner/VideoRect.h"

namespace {

TEST(VideoRect, HalvesRoundToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

TEST(VideoRect, SitsBelowTheControlStrip) {
    VideoRect r = VideoRectFor(641.0, 528.5);  // 528.5 - 40 = 488.5 rounds to 488
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 35);
    EXPECT_EQ(r.right, 636);
    EXPECT_EQ(r.bottom, 488);
    EXPECT_EQ(r.width(), 636);
    EXPECT_EQ(r.height(), 453);
}

TEST(VideoRect, TinyWindowGivesNegativeSizesUnchanged) {
    VideoRect r = VideoRectFor(2.0, 30.0);
    EXPECT_EQ(r.right, -3);
    EXPECT_EQ(r.bottom, -10);
    EXPECT_EQ(r.height(), -45);
}

}  // namespace
