// Rate conversion of a stream fed in uneven chunks: the tone keeps its
// frequency, the length follows the ratio, and no click appears at the joins.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/sound/StreamResampler.h"
#include "tests/platform/sound/Tone.h"

namespace ps = platform::sound;

namespace {

std::vector<float> sine(double hz, int rate, std::size_t frames) {
    std::vector<float> v(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        v[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * hz * static_cast<double>(i) / rate));
    }
    return v;
}

TEST(StreamResampler, DownAndUpKeepTheToneAndTheLength) {
    for (auto [in, out] :
         {std::pair{48000, 8000}, std::pair{44100, 22050}, std::pair{16000, 44100}}) {
        ps::StreamResampler r(in, out, 1);
        const std::vector<float> x = sine(1000, in, static_cast<std::size_t>(in));  // one second
        std::vector<float> y;
        std::size_t at = 0;
        for (std::size_t chunk : {1u, 333u, 4096u, 17u, 999999u}) {
            const std::size_t n = std::min(chunk, x.size() - at);
            ASSERT_TRUE(r.process(x.data() + at, n, y).isOk());
            at += n;
        }
        // The filter holds back a few milliseconds at most.
        EXPECT_NEAR(static_cast<double>(y.size()), out, out * 0.01) << in << " -> " << out;
        const std::size_t skip = static_cast<std::size_t>(out / 20);
        const std::size_t n = y.size() - 2 * skip;
        const double at1k = soundtest::goertzel(y.data() + skip, n, 1000, out);
        EXPECT_NEAR(at1k, 0.0625, 0.01) << "a 0.5 sine has power 0.25^2";
        EXPECT_LT(soundtest::goertzel(y.data() + skip, n, 1500, out), at1k / 1000);
        for (std::size_t i = skip + 1; i < skip + n; ++i) {
            // A 1 kHz sine of 0.5 moves at most 2*pi*1000*0.5/rate between samples.
            ASSERT_LT(std::fabs(y[i] - y[i - 1]), 2 * M_PI * 500 / out * 1.05) << "sample " << i;
        }
    }
}

TEST(StreamResampler, SameRatePassesStereoThrough) {
    ps::StreamResampler r(22050, 22050, 2);
    const std::vector<float> x = {0.1f, -0.1f, 0.2f, -0.2f};
    std::vector<float> y;
    ASSERT_TRUE(r.process(x.data(), 2, y).isOk());
    EXPECT_EQ(y, x);
}

}  // namespace
