#include <gtest/gtest.h>
#include <samplerate.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <sstream>
#include <thread>
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
    EXPECT_EQ(out, again) << "a second look at the same moment hears the same";
}

}  // namespace

namespace {

// The whole of channel 5's sound converted in one go, as a reference.
std::vector<float> convertWhole(const Station& s, int rate) {
    const double ratio = static_cast<double>(rate) / s.sampleRate();
    std::vector<float> in(static_cast<std::size_t>(s.soundFrames() * s.channels()));
    auto cursor = s.sound->open();
    EXPECT_TRUE(cursor &&
                cursor.value()->read(0, in.data(), static_cast<std::size_t>(s.soundFrames())));
    std::vector<float> out(static_cast<std::size_t>(static_cast<double>(s.soundFrames()) * ratio) +
                           16);
    SRC_DATA d{};
    d.data_in = in.data();
    d.input_frames = static_cast<long>(s.soundFrames());
    d.data_out = out.data();
    d.output_frames = static_cast<long>(out.size());
    d.src_ratio = ratio;
    EXPECT_EQ(src_simple(&d, SRC_SINC_MEDIUM_QUALITY, s.channels()), 0);
    out.resize(static_cast<std::size_t>(d.output_frames_gen));
    return out;
}

TEST_F(Feed, ConvertsAsItGoesIntoOneSeamlessStream) {
    tunings.tune(kOrigin, 5);
    constexpr int kRate = 22050;
    constexpr std::size_t kFrames = 20000;
    const std::vector<float> whole = render(kOrigin + 0.5, kRate, 1, kFrames);
    // The same span taken in uneven pieces, as a sound device pulls it.
    BroadcastFeed pieces(tunings);
    pieces.setProgramme(stations, kOrigin);
    std::vector<float> joined(kFrames, 99.0f);
    std::size_t done = 0;
    for (std::size_t k = 0; done < kFrames; ++k) {
        const std::size_t n = std::min<std::size_t>(kFrames - done, (k * 977) % 3001 + 1);
        pieces.render(kOrigin + 0.5 + static_cast<double>(done) / kRate, kRate, 1,
                      joined.data() + done, n);
        done += n;
    }
    EXPECT_EQ(joined, whole);
    // And it is the station's sound: the whole track converted at once gives
    // the same samples from 0.5 s on.
    const std::vector<float> reference = convertWhole(*stations->at(5), kRate);
    ASSERT_GE(reference.size(), kRate / 2 + kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) {
        ASSERT_NEAR(whole[i], reference[kRate / 2 + i], 2e-3) << "frame " << i;
    }
}

TEST_F(Feed, ListenersAtOtherRatesAndTimesKeepTheirOwnStreams) {
    tunings.tune(kOrigin, 5);
    const std::vector<float> speaker = render(kOrigin + 0.2, 44100, 2, 6000);
    const std::vector<float> recorder = render(kOrigin + 0.7, 11025, 1, 3000);
    BroadcastFeed both(tunings);
    both.setProgramme(stations, kOrigin);
    std::vector<float> a(speaker.size(), 99.0f);
    std::vector<float> b(recorder.size(), 99.0f);
    for (std::size_t k = 0; k < 6; ++k) {
        both.render(kOrigin + 0.2 + static_cast<double>(k * 1000) / 44100, 44100, 2,
                    a.data() + k * 2000, 1000);
        both.render(kOrigin + 0.7 + static_cast<double>(k * 500) / 11025, 11025, 1,
                    b.data() + k * 500, 500);
        // A one-off look elsewhere does not break either stream.
        std::vector<float> glance(64);
        both.render(kOrigin + 1.3, 44100, 1, glance.data(), 64);
    }
    EXPECT_EQ(a, speaker);
    EXPECT_EQ(b, recorder) << "0.7 s is half a sample at 11025 Hz: its pieces' starts round "
                              "either way, and the stream still goes on";
}

}  // namespace

namespace {

// A track whose first read waits until the test lets it go, as a slow disk
// would; the read says when it has begun.
class GatedTrack final : public SoundTrack {
  public:
    GatedTrack() : SoundTrack(kTinyRate, 1, 10 * kTinyRate) {}
    platform::Result<std::unique_ptr<SoundCursor>> open() const override {
        return std::unique_ptr<SoundCursor>(std::make_unique<Cursor>(*this));
    }
    std::promise<void> begun;
    std::promise<void> opened;
    std::shared_future<void> gate = opened.get_future().share();

  private:
    struct Cursor final : SoundCursor {
        explicit Cursor(const GatedTrack& t) : track(const_cast<GatedTrack&>(t)) {}
        platform::Status read(int64_t, float* out, std::size_t frames) override {
            if (first) {
                first = false;
                track.begun.set_value();
                track.gate.wait();
            }
            std::fill(out, out + frames, 0.25f);
            return {};
        }
        GatedTrack& track;
        bool first = true;
    };
};

TEST(FeedListeners, OneWaitingOnItsSoundDoesNotHoldUpAnother) {
    tvtest::TempBroadcasts b;
    b.addStation(5, "00:00:00:00\t9420\n", 2.0, -0.5f);
    std::ostringstream errors;
    StationSet loaded = loadStations(b.root().string(), errors);
    auto gated = std::make_shared<GatedTrack>();
    auto slow = std::make_shared<Station>();
    slow->channel = 3;
    slow->sound = gated;
    slow->pairs.assign(300, 0x8080);
    auto set = std::make_shared<StationSet>();
    set->put(slow);
    set->put(std::make_shared<const Station>(*loaded.at(5)));
    TuningLog tunings;
    tunings.tune(kOrigin, 3);
    tunings.tune(kOrigin + 5.0, 5);
    BroadcastFeed feed(tunings);
    feed.setProgramme(set, kOrigin);

    // The recorder catches up on channel 3 and waits on its sound ...
    std::vector<float> recorded(4000, 99.0f);
    std::thread recorder(
        [&] { feed.render(kOrigin + 1.0, kTinyRate, 1, recorded.data(), recorded.size()); });
    gated->begun.get_future().wait();
    // ... while the speaker goes on with channel 5.
    auto speaker = std::async(std::launch::async, [&] {
        std::vector<float> out(100, 99.0f);
        feed.render(kOrigin + 5.5, kTinyRate, 1, out.data(), out.size());
        return out;
    });
    const bool speakerDone =
        speaker.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    gated->opened.set_value();
    recorder.join();
    ASSERT_TRUE(speakerDone) << "the speaker waited for the recorder's sound";
    const std::vector<float> heard = speaker.get();
    const int64_t period = std::llround(loaded.at(5)->lengthSeconds() * kTinyRate);
    for (int64_t i = 0; i < 100; ++i) {
        EXPECT_FLOAT_EQ(heard[static_cast<std::size_t>(i)], ramp((44000 + i) % period, -0.5f)) << i;
    }
    EXPECT_EQ(recorded, std::vector<float>(4000, 0.25f));
}

}  // namespace
