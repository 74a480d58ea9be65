// The stream's sound as the card's feed: heard where the decoder placed it,
// at any rate, by several listeners at once; silence where nothing was
// placed; and a listener that ran ahead of the decoder still hears what
// arrives later.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/tv/stream/StreamAudioFeed.h"

using platform::tv::stream::StreamAudioFeed;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStart = 2000.0;
constexpr int kRate = StreamAudioFeed::kRate;

// A 440 Hz tone on the left, 660 Hz on the right, as a function of time.
float left(double t) {
    return static_cast<float>(0.5 * std::sin(2 * kPi * 440 * t));
}
float right(double t) {
    return static_cast<float>(0.5 * std::sin(2 * kPi * 660 * t));
}

std::vector<float> tone(double from, std::size_t frames) {
    std::vector<float> s(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = from + static_cast<double>(i) / kRate;
        s[2 * i] = left(t);
        s[2 * i + 1] = right(t);
    }
    return s;
}

// The largest difference between two runs of samples of the same length.
double worstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    double worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        worst = std::max(worst, static_cast<double>(std::fabs(a[i] - b[i])));
    }
    return worst;
}

void writeTone(StreamAudioFeed& feed, double from, double seconds) {
    const auto frames = static_cast<std::size_t>(std::llround(seconds * kRate));
    const std::vector<float> s = tone(from, frames);
    feed.write(from, s.data(), frames);
}

std::vector<float> render(StreamAudioFeed& feed, double start, int rate, int channels,
                          std::size_t frames) {
    std::vector<float> out(frames * static_cast<std::size_t>(channels), 9.0f);
    feed.render(start, rate, channels, out.data(), frames);
    return out;
}

TEST(StreamAudioFeed, HeardWhereItWasPlacedAtAnyRateAndSilentElsewhere) {
    StreamAudioFeed feed;
    EXPECT_TRUE(render(feed, kStart, kRate, 2, 64) == std::vector<float>(128, 0.0f));
    // Written in decoder-sized pieces; the second starts 0.5 ms off (a
    // timestamp's rounding) and joins on; the third after a 100 ms gap.
    writeTone(feed, kStart, 0.5);
    const std::vector<float> more = tone(kStart + 0.5, kRate / 2);
    feed.write(kStart + 0.5 + 0.0005, more.data(), kRate / 2);
    writeTone(feed, kStart + 1.1, 0.5);
    EXPECT_NEAR(feed.writtenUntil(), kStart + 1.6, 1e-9);

    // At the stream's own rate: the samples themselves.
    const std::vector<float> same = render(feed, kStart + 0.25, kRate, 2, kRate / 2);
    EXPECT_LT(worstDifference(same, tone(kStart + 0.25, kRate / 2)), 1e-6);

    // At 44100 Hz mono, from before the sound to after the gap: the tone
    // where it was placed, silence before it and in the gap.
    const int rate = 44100;
    const std::vector<float> mono = render(feed, kStart - 0.1, rate, 1, rate * 7 / 5);
    double worst = 0;
    for (std::size_t i = 0; i < mono.size(); ++i) {
        const double t = kStart - 0.1 + static_cast<double>(i) / rate - kStart;
        const bool sound = (t > 0.002 && t < 0.998) || (t > 1.102 && t < 1.298);
        const bool quiet = t < -0.002 || (t > 1.002 && t < 1.098);
        if (sound) {
            worst =
                std::max(worst, std::fabs(mono[i] - 0.5 * (left(kStart + t) + right(kStart + t))));
        } else if (quiet) {
            EXPECT_NEAR(mono[i], 0.0f, 1e-6) << "at " << t;
        }
    }
    EXPECT_LT(worst, 0.01);

    // A tuning at t: nothing from t on, and the lost sound forgotten.
    feed.setLost("The sound of 7.1 (ac4) cannot be decoded");
    EXPECT_EQ(feed.lostReason(), "The sound of 7.1 (ac4) cannot be decoded");
    feed.cut(kStart + 1.2);
    EXPECT_EQ(feed.lostReason(), "");
    EXPECT_TRUE(render(feed, kStart + 1.2, kRate, 2, 100) == std::vector<float>(200, 0.0f));
    EXPECT_LT(worstDifference(render(feed, kStart + 1.15, kRate, 2, 100), tone(kStart + 1.15, 100)),
              1e-6);
}

TEST(StreamAudioFeed, ListenersInterleavedHearWhatEachWouldAloneEvenAheadOfTheDecoder) {
    // The speaker (44.1 kHz) and the recorder (48 kHz) take turns in blocks,
    // and the speaker runs ahead of what the decoder has written.
    const int block = 1024;
    std::vector<float> speaker;
    std::vector<float> recorder;
    StreamAudioFeed feed;
    writeTone(feed, kStart, 0.05);
    for (int k = 0; k < 40; ++k) {
        const double at = kStart + static_cast<double>(k) * block / 44100;
        // The decoder keeps just ahead of the block being heard, so the
        // converter's look-ahead reads past what was written.
        while (feed.writtenUntil() < at + 1.1 * block / 44100) {
            writeTone(feed, feed.writtenUntil(), 0.01);
        }
        const std::vector<float> s = render(feed, at, 44100, 2, block);
        speaker.insert(speaker.end(), s.begin(), s.end());
        const std::vector<float> r =
            render(feed, kStart + static_cast<double>(k) * block / kRate, kRate, 2, block);
        recorder.insert(recorder.end(), r.begin(), r.end());
    }
    StreamAudioFeed alone;
    writeTone(alone, kStart, 2.0);
    const std::vector<float> speakerAlone = render(alone, kStart, 44100, 2, 40 * block);
    EXPECT_LT(worstDifference(speaker, speakerAlone), 1e-4);
    EXPECT_LT(worstDifference(recorder, tone(kStart, 40 * block)), 1e-6);
}

}  // namespace
