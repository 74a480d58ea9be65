// Float to PCM: nearest value, clipping at both ends, silence for NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/sound/SampleConvert.h"

namespace ps = platform::sound;

namespace {

TEST(SampleConvert, Pcm16RoundsToNearestAndClips) {
    EXPECT_EQ(ps::toPcm16(0.0f), 0);
    EXPECT_EQ(ps::toPcm16(1.0f), 32767);
    EXPECT_EQ(ps::toPcm16(-1.0f), -32767);
    EXPECT_EQ(ps::toPcm16(1.7f), 32767);
    EXPECT_EQ(ps::toPcm16(-3.0f), -32768);
    EXPECT_EQ(ps::toPcm16(0.6f / 32767), 1);
    EXPECT_EQ(ps::toPcm16(0.4f / 32767), 0);
    EXPECT_EQ(ps::toPcm16(-0.6f / 32767), -1);
    EXPECT_EQ(ps::toPcm16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ps::toPcm16(std::numeric_limits<float>::infinity()), 32767);
}

TEST(SampleConvert, Pcm8IsUnsignedAround128) {
    EXPECT_EQ(ps::toPcm8(0.0f), 128);
    EXPECT_EQ(ps::toPcm8(1.0f), 255);
    EXPECT_EQ(ps::toPcm8(-1.0f), 1);
    EXPECT_EQ(ps::toPcm8(-5.0f), 0);
    EXPECT_EQ(ps::toPcm8(9.0f), 255);
    EXPECT_EQ(ps::toPcm8(0.6f / 127), 129);
    EXPECT_EQ(ps::toPcm8(-0.4f / 127), 128);
    EXPECT_EQ(ps::toPcm8(std::nanf("")), 128);
}

TEST(SampleConvert, EveryPcm16ValueSurvivesARoundTrip) {
    for (int v = -32767; v <= 32767; ++v) {
        ASSERT_EQ(ps::toPcm16(static_cast<float>(v) / 32767.0f), v);
    }
}

TEST(SampleConvert, ChannelMapping) {
    const float stereo[] = {0.2f, 0.6f, -1.0f, 1.0f};
    float mono[2] = {};
    ps::mapChannels(stereo, 2, mono, 1, 2);
    EXPECT_FLOAT_EQ(mono[0], 0.4f);
    EXPECT_FLOAT_EQ(mono[1], 0.0f);
    const float one[] = {0.5f, -0.25f};
    float two[4] = {};
    ps::mapChannels(one, 1, two, 2, 2);
    EXPECT_EQ(std::vector<float>(two, two + 4), (std::vector<float>{0.5f, 0.5f, -0.25f, -0.25f}));
    const float six[] = {1, 2, 3, 4, 5, 6};
    float front[2] = {};
    ps::mapChannels(six, 6, front, 2, 1);
    EXPECT_EQ(std::vector<float>(front, front + 2), (std::vector<float>{1, 2}));
}

TEST(SampleConvert, RawDecoding) {
    const unsigned char u8[] = {0, 128, 255};
    float out[3] = {};
    ps::decodeRaw(ps::RawSample::UInt8, u8, 3, out);
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_FLOAT_EQ(out[1], 0.0f);
    EXPECT_NEAR(out[2], 1.0f, 1.0 / 128);
    const int16_t s16[] = {-32768, 16384};
    ps::decodeRaw(ps::RawSample::Int16, reinterpret_cast<const unsigned char*>(s16), 2, out);
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    const int32_t s32[] = {INT32_MIN, 1 << 30};
    ps::decodeRaw(ps::RawSample::Int32, reinterpret_cast<const unsigned char*>(s32), 2, out);
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
}

}  // namespace
