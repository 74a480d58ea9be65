#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "TinyStation.h"
#include "platform/tv/BroadcastFeed.h"

using namespace platform::tv;
using tvtest::kTinyRate;
using tvtest::ramp;

namespace {

constexpr double kOrigin = 50.0;

class Feed : public ::testing::Test {
  protected:
    void SetUp() override {
        b.addStation(3, "00:00:00:00\t9420\n", 2.0, 0.0f);   // samples 0.000..0.099
        b.addStation(5, "00:00:00:00\t9420\n", 2.0, -0.5f);  // samples -0.500..-0.401
        std::ostringstream errors;
        stations = std::make_shared<const StationSet>(loadStations(b.root().string(), errors));
        ASSERT_EQ(stations->size(), 2) << errors.str();
        feed.setProgramme(stations, kOrigin);
    }

    std::vector<float> render(double start, int rate, int channels, std::size_t frames) {
        std::vector<float> out(frames * static_cast<std::size_t>(channels), 99.0f);
        feed.render(start, rate, channels, out.data(), frames);
        return out;
    }

    tvtest::TempBroadcasts b;
    std::shared_ptr<const StationSet> stations;
    TuningLog tunings;
    BroadcastFeed feed{tunings};
};

TEST_F(Feed, PlaysTheTunedStationAtTheProgrammePosition) {
    tunings.tune(kOrigin, 3);
    const std::vector<float> out = render(kOrigin + 0.5, kTinyRate, 1, 200);
    for (long i = 0; i < 200; ++i) {
        EXPECT_FLOAT_EQ(out[static_cast<std::size_t>(i)], ramp(4000 + i, 0.0f)) << i;
    }
}

TEST_F(Feed, ChannelChangeTakesEffectAtTheMomentMade) {
    tunings.tune(kOrigin, 3);
    tunings.tune(kOrigin + 1.0, 5);
    const std::vector<float> out = render(kOrigin + 0.99, kTinyRate, 1, 160);
    // 80 samples of channel 3, then channel 5 from its own sample 8000 on.
    for (long i = 0; i < 80; ++i) {
        EXPECT_FLOAT_EQ(out[static_cast<std::size_t>(i)], ramp(7920 + i, 0.0f)) << i;
    }
    for (long i = 80; i < 160; ++i) {
        EXPECT_FLOAT_EQ(out[static_cast<std::size_t>(i)], ramp(7920 + i, -0.5f)) << i;
    }
}

TEST_F(Feed, SilenceBeforeTheProgrammeAndWhereNoStationIs) {
    tunings.tune(kOrigin, 3);
    tunings.tune(kOrigin + 0.5, 4);
    std::vector<float> out = render(kOrigin - 0.01, kTinyRate, 1, 160);
    for (long i = 0; i < 80; ++i) {
        EXPECT_EQ(out[static_cast<std::size_t>(i)], 0.0f) << i;
    }
    EXPECT_FLOAT_EQ(out[80], ramp(0, 0.0f) + 0.0f);
    EXPECT_FLOAT_EQ(out[81], ramp(1, 0.0f));
    out = render(kOrigin + 0.6, kTinyRate, 2, 100);
    for (float v : out) {
        EXPECT_EQ(v, 0.0f);
    }
    feed.setProgramme(nullptr, 0.0);
    out = render(kOrigin + 0.1, kTinyRate, 1, 10);
    for (float v : out) {
        EXPECT_EQ(v, 0.0f);
    }
}

TEST_F(Feed, LoopsWithTheCaptionsAndSpreadsMonoOverStereo) {
    tunings.tune(kOrigin, 3);
    // Channel 3 lasts 2 s of sound rounded up to whole frames.
    const double period = stations->at(3)->lengthSeconds();
    const std::vector<float> first = render(kOrigin + 0.25, kTinyRate, 2, 50);
    const std::vector<float> again = render(kOrigin + 3 * period + 0.25, kTinyRate, 2, 50);
    EXPECT_EQ(first, again);
    for (std::size_t i = 0; i < 50; ++i) {
        EXPECT_EQ(first[2 * i], first[2 * i + 1]);
    }
    // The few samples between the sound's end and the programme's are silent.
    const std::vector<float> tail = render(kOrigin + 2.0 + 0.5 / kTinyRate, kTinyRate, 1, 4);
    EXPECT_EQ(tail, std::vector<float>(4, 0.0f));
}

TEST_F(Feed, ResamplesToTheRequestedRate) {
    tunings.tune(kOrigin, 5);
    // At twice the rate, sample 2n lands on the station's sample n; the
    // ramp is smooth between its jumps, so away from them it stays close.
    const std::vector<float> out = render(kOrigin + 0.5, 2 * kTinyRate, 1, 100);
    for (long n = 10; n < 45; ++n) {
        EXPECT_NEAR(out[static_cast<std::size_t>(2 * n)], ramp(4000 + n, -0.5f), 0.01) << n;
    }
    const std::vector<float> again = render(kOrigin + 0.5, 2 * kTinyRate, 1, 100);
    EXPECT_EQ(out, again) << "the cached track gives the same samples";
}

}  // namespace

namespace {

TEST_F(Feed, PreparedTracksSoundTheSameAsOnesMadeOnDemand) {
    tunings.tune(kOrigin, 5);
    const std::vector<float> onDemand = render(kOrigin + 0.5, 22050, 2, 300);
    BroadcastFeed prepared(tunings);
    prepared.setProgramme(stations, kOrigin);
    prepared.prepare(22050);
    std::vector<float> out(600, 99.0f);
    prepared.render(kOrigin + 0.5, 22050, 2, out.data(), 300);
    EXPECT_EQ(out, onDemand);
    // A new programme forgets the old tracks.
    prepared.setProgramme(nullptr, 0.0);
    prepared.prepare(22050);
    prepared.render(kOrigin + 0.5, 22050, 2, out.data(), 300);
    EXPECT_EQ(out, std::vector<float>(600, 0.0f));
}

}  // namespace
