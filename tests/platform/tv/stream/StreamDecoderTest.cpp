// Transport streams made by the stream maker, decoded on a driven clock as
// the card runs them: every caption pair of the station leaves the pacer in
// order, in the slot of its frame; the sound is the station's, placed by its
// timestamps; a looping file plays on; a failed or silent stream says so;
// and nothing piles up when nobody drains the output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>

#include "StreamFixture.h"
#include "platform/core/Clock.h"
#include "platform/scc/Scc.h"
#include "platform/tv/stream/StreamDecoder.h"
#include "platform/tv/stream/StreamOutputs.h"
#include "platform/tv/stream/StreamProbe.h"
#include "tests/support/TempDir.h"

using namespace platform::tv::stream;
using namespace streamtest;
using platform::scc::frameTime;
using platform::scc::kFrameSeconds;

namespace {

constexpr double kClockStart = 1000.0;

struct Made {
    testsupport::TempDir dir;
    platform::tv::Station station;
    // Each made the first time a test asks for it (encoding is the slow
    // part; every test runs in a process of its own).
    const std::string& mpeg2();  // MPEG-2, MP2, 29.97i
    const std::string& h264();   // H.264, AC-3, 59.94p, padding between control copies

  private:
    std::string mpeg2_;
    std::string h264_;
};

tools::stream::StreamOptions smallStream() {
    tools::stream::StreamOptions o;
    o.width = 352;
    o.height = 240;
    o.x264Preset = "ultrafast";
    return o;
}

const std::string& Made::mpeg2() {
    if (mpeg2_.empty()) {
        mpeg2_ = makeStream(station, smallStream(), dir.path(), "mpeg2.ts");
    }
    return mpeg2_;
}

const std::string& Made::h264() {
    if (h264_.empty()) {
        tools::stream::StreamOptions o = smallStream();
        o.video = tools::stream::VideoCodec::H264;
        o.sound = tools::stream::SoundCodec::Ac3;
        o.cadence = {tools::stream::FrameRate::Progressive5994, true};
        h264_ = makeStream(station, o, dir.path(), "h264.ts");
    }
    return h264_;
}

// The station, removed with its streams at exit.
Made& made() {
    static const std::unique_ptr<Made> m = [] {
        auto s = std::make_unique<Made>();
        s->station = writeStation(s->dir.path());
        return s;
    }();
    return *m;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::shared_ptr<ByteQueue> queueOf(const std::string& bytes, std::size_t count) {
    auto q = std::make_shared<ByteQueue>();
    for (std::size_t at = 0; at < count; at += 188 * 7) {
        const std::size_t n = std::min<std::size_t>(188 * 7, count - at);
        q->push(reinterpret_cast<const uint8_t*>(bytes.data() + at), n);
    }
    return q;
}

class Decoding : public ::testing::Test {
  protected:
    void SetUp() override {
        outputs.setEventHandler([this](const DecoderEvent& e) {
            std::lock_guard lock(mutex);
            events.push_back(e);
        });
        pacer.setSlotSink([this](int64_t slot, double, LinePair pair) {
            if (!(pair.first == 0x80 && pair.second == 0x80)) {
                pairs.push_back({slot, static_cast<uint16_t>(pair.first << 8 | pair.second)});
            }
        });
    }
    void TearDown() override { decoder.close(); }

    std::optional<DecoderEvent> event(DecoderEventKind kind) {
        std::lock_guard lock(mutex);
        for (const DecoderEvent& e : events) {
            if (e.kind == kind) {
                return e;
            }
        }
        return std::nullopt;
    }
    bool ended() { return event(DecoderEventKind::Ended) || event(DecoderEventKind::Failed); }

    // The first picture's time, once the decoder anchored the stream.
    double anchored() {
        EXPECT_TRUE(waitFor([this] { return event(DecoderEventKind::Anchored) || ended(); }));
        const std::optional<DecoderEvent> e = event(DecoderEventKind::Anchored);
        EXPECT_TRUE(e.has_value());
        return e ? e->due : 0.0;
    }

    // Moves the clock one slot at a time to `until`, as the card's timer
    // does: each time the decoder is let get ahead, the pacer pumped, the
    // due picture taken and the sound since the last step recorded.
    void play(double origin, double until, int soundRate) {
        for (int64_t k = 0; origin + frameTime(k) <= until; ++k) {
            const double now = origin + frameTime(k);
            clock.set(now);
            ASSERT_TRUE(waitFor([&] { return feed.writtenUntil() >= now + 0.3 || ended(); }));
            pacer.pump();
            if (pictures.takeDue()) {
                ++shown;
            }
            const auto upTo = static_cast<std::size_t>(std::llround((now - origin) * soundRate));
            if (upTo > heard.size()) {
                const std::size_t from = heard.size();
                heard.resize(upTo);
                feed.render(origin + static_cast<double>(from) / soundRate, soundRate, 1,
                            heard.data() + from, upTo - from);
            }
        }
    }

    // The station's pairs that carry something, with their frames.
    std::vector<std::pair<int64_t, uint16_t>> stationPairs(int64_t offset = 0) const {
        std::vector<std::pair<int64_t, uint16_t>> out;
        const platform::tv::Station& s = made().station;
        for (std::size_t f = 0; f < s.pairs.size(); ++f) {
            if (s.pairs[f] != 0x8080) {
                out.emplace_back(static_cast<int64_t>(f) + offset, s.pairs[f]);
            }
        }
        return out;
    }

    platform::ManualClock clock{kClockStart};
    PictureQueue pictures{clock};
    CaptionPacer pacer{clock};
    StreamAudioFeed feed;
    StreamOutputs outputs{pictures, pacer, feed};
    StreamDecoder decoder{clock, outputs};
    std::mutex mutex;
    std::vector<DecoderEvent> events;
    std::vector<std::pair<int64_t, uint16_t>> pairs;  // slot, pair
    std::vector<float> heard;
    int shown = 0;
};

TEST_F(Decoding, LiveBytesGiveEveryPairInItsFramesSlotAndTheStationsSound) {
    const std::string ts = readAll(made().mpeg2());
    auto bytes = queueOf(ts, ts.size());
    bytes->finish();
    StreamOptions options;
    options.pictureWidth = 160;
    options.pictureHeight = 120;
    decoder.open({bytes, "", "2.1"}, options);
    const double origin = anchored();
    EXPECT_NEAR(origin, kClockStart + options.startDelaySeconds, 0.05);
    const std::optional<DecoderEvent> opened = event(DecoderEventKind::Opened);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->info.pictureCodec, "mpeg2video");
    EXPECT_EQ(opened->info.soundCodec, "mp2");
    EXPECT_NEAR(opened->info.frameRate, 30000.0 / 1001, 1e-6);

    const double length = made().station.lengthSeconds();
    play(origin, origin + length + 0.5, kStationRate);
    EXPECT_TRUE(event(DecoderEventKind::Ended));
    EXPECT_FALSE(event(DecoderEventKind::SoundLost));
    // Frame f's pair leaves in slot f: exactly when its picture is shown.
    EXPECT_EQ(pairs, stationPairs());
    EXPECT_GE(shown, static_cast<int>(made().station.lengthFrames()) - 2);

    // The station's sound, where its timestamps put it.
    const platform::tv::Station& s = made().station;
    ASSERT_EQ(s.sampleRate, kStationRate);
    const Alignment a = align(heard, s.samples, kStationRate / 50);
    EXPECT_GT(a.correlation, 0.9);
    EXPECT_LE(std::abs(a.lag), 1) << "sound off by " << a.lag << " samples";
}

TEST_F(Decoding, LoopingFileAtFiftyNinePointNineFourPlaysOnPairsBackToBack) {
    StreamOptions options;
    options.pictureWidth = 160;
    options.pictureHeight = 120;
    options.loop = true;
    decoder.open({nullptr, made().h264(), "h264.ts"}, options);
    const double origin = anchored();
    const double length = made().station.lengthSeconds();
    play(origin, origin + 2 * length, kStationRate);
    EXPECT_FALSE(event(DecoderEventKind::Ended));

    // The padding between the control codes' copies is gone: each copy in
    // the slot of its own frame, the two back to back. The second time
    // round continues right after the first.
    const auto first = stationPairs();
    ASSERT_GT(pairs.size(), first.size());
    const std::vector<std::pair<int64_t, uint16_t>> once(pairs.begin(),
                                                         pairs.begin() + first.size());
    EXPECT_EQ(once, first);
    const int64_t frames = made().station.lengthFrames();
    const auto again = stationPairs(frames);
    for (std::size_t i = first.size(); i < pairs.size(); ++i) {
        const std::size_t j = i - first.size();
        ASSERT_LT(j, again.size());
        EXPECT_EQ(pairs[i].second, again[j].second) << i;
        EXPECT_NEAR(static_cast<double>(pairs[i].first), static_cast<double>(again[j].first), 1)
            << i;
    }
    // AC-3's encoder delay shows in its timestamps, and is placed by them.
    const platform::tv::Station& s = made().station;
    const std::vector<float> firstRound(
        heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(s.samples.size()));
    const Alignment a = align(firstRound, s.samples, kStationRate / 50);
    EXPECT_GT(a.correlation, 0.9);
    EXPECT_LE(std::abs(a.lag), 1) << "sound off by " << a.lag << " samples";
}

TEST_F(Decoding, NobodyDrainingKeepsEveryQueueBoundedByTime) {
    StreamOptions options;
    options.pictureWidth = 160;
    options.pictureHeight = 120;
    options.loop = true;
    decoder.open({nullptr, made().mpeg2(), "mpeg2.ts"}, options);
    const double origin = anchored();
    const double fps = 30000.0 / 1001;
    for (double t = origin; t < origin + 12.0; t += 0.25) {
        clock.set(t);
        ASSERT_TRUE(waitFor([&] { return feed.writtenUntil() >= t + 0.5; }));
        // Pictures from half a second ago to a second ahead; pairs up to
        // the backlog the pacer keeps.
        EXPECT_LE(pictures.size(),
                  static_cast<std::size_t>(
                      (PictureQueue::kStaleSeconds + options.aheadSeconds) * fps + 3));
        EXPECT_LE(pacer.queued(),
                  static_cast<std::size_t>(
                      (CaptionPacer::kMaxBacklogSeconds + options.aheadSeconds) * fps));
        ASSERT_TRUE(pictures.nextDue().has_value());
    }
    // With the clock held, the decoder waits a second ahead of it.
    const int64_t decoded = decoder.picturesDecoded();
    EXPECT_LE(feed.writtenUntil(), clock.now() + options.aheadSeconds + 0.1);
    EXPECT_LE(decoded,
              static_cast<int64_t>((clock.now() - origin + options.aheadSeconds + 0.1) * fps));
}

TEST_F(Decoding, AStreamThatFailsOrHasNoSoundSaysSo) {
    // The connection drops halfway: the reason the card gave comes back.
    const std::string ts = readAll(made().mpeg2());
    auto bytes = queueOf(ts, ts.size() / 2);
    bytes->fail("Signal lost: the tuner closed the connection");
    decoder.open({bytes, "", "2.1"}, {});
    const double origin = anchored();
    for (double t = origin; !ended() && t < origin + 5; t += 0.1) {
        clock.set(t);
        waitFor([&] { return feed.writtenUntil() >= t + 0.5 || ended(); });
    }
    const std::optional<DecoderEvent> failed = event(DecoderEventKind::Failed);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->message, "Signal lost: the tuner closed the connection");
    decoder.close();

    // The same stream without its sound track (ffmpeg's own remuxing): the
    // feed reports it, so that a recording of it fails instead of passing
    // silence off as sound.
    const std::string silent = made().dir.file("silent.ts");
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + made().mpeg2() +
                                "' -an -c copy -f mpegts '" + silent + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    outputs.reset(clock.now());
    events.clear();
    decoder.open({nullptr, silent, "silent.ts"}, {});
    anchored();
    const std::optional<DecoderEvent> lost = event(DecoderEventKind::SoundLost);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->message, "silent.ts carries no sound the card can play");
    EXPECT_EQ(feed.lostReason(), lost->message);
    // A file that cannot be opened is a failure naming it.
    decoder.close();
    events.clear();
    decoder.open({nullptr, made().dir.file("missing.ts"), "missing.ts"}, {});
    ASSERT_TRUE(waitFor([this] { return ended(); }));
    ASSERT_TRUE(event(DecoderEventKind::Failed));
    EXPECT_EQ(event(DecoderEventKind::Failed)->message,
              "Cannot open missing.ts: No such file or directory");
}

TEST_F(Decoding, ACaptionTrackInAMovieGivesThePairsInsteadOfThePictures) {
    // The MPEG-2 stream with the station's SCC beside it as a c608 track
    // (ffmpeg's own muxing): its pairs come from the track, once each.
    // FFmpeg's MOV muxer leaves out a subtitle track's last sample: a
    // padding line after the station's captions takes that place.
    const std::string scc = made().dir.file("c608.scc");
    testsupport::writeFile(
        scc, testsupport::readFile(made().dir.file("captions.scc")) + "00:00:03:15\t8080\n\n");
    const std::string mov = made().dir.file("c608.mov");
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + made().mpeg2() + "' -i '" +
                                scc + "' -map 0:v -map 0:a -map 1 -c copy '" + mov + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::atomic<bool> never{false};
    const platform::Result<StreamInfo> probed =
        probeStream({nullptr, mov, "c608.mov"}, StreamOptions{}, never);
    ASSERT_TRUE(probed.isOk()) << probed.message();
    EXPECT_TRUE(probed.value().hasCaptionTrack && probed.value().hasPicture &&
                probed.value().hasSound);

    decoder.open({nullptr, mov, "c608.mov"}, {});
    const double origin = anchored();
    play(origin, origin + made().station.lengthSeconds() + 0.5, kStationRate);
    // The track's times are the SCC's: the same spacing as the station's
    // frames, wherever the muxer put the track's start.
    const auto expected = stationPairs();
    ASSERT_EQ(pairs.size(), expected.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].second, expected[i].second) << i;
        EXPECT_EQ(pairs[i].first - pairs[0].first, expected[i].first - expected[0].first) << i;
    }
    const platform::Result<StreamInfo> missing =
        probeStream({nullptr, made().dir.file("none.mov"), "none.mov"}, StreamOptions{}, never);
    EXPECT_EQ(missing.message(), "Cannot open none.mov: No such file or directory");
}

TEST_F(Decoding, AnHlsPlaylistIsFetchedSegmentBySegmentByLibavformat) {
    // The stream cut into HLS segments by ffmpeg, served on 127.0.0.1;
    // FFmpeg's own HTTP client must not be sent to a proxy.
    ::unsetenv("http_proxy");
    const std::string hls = made().dir.file("hls");
    std::filesystem::create_directories(hls);
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + made().mpeg2() +
                                "' -c copy -f hls -hls_time 1 -hls_list_size 0 "
                                "-hls_playlist_type vod '" +
                                hls + "/index.m3u8'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    LoopbackFiles server(hls);
    ASSERT_NE(server.port(), 0) << "python3's http.server did not start";

    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/index.m3u8";
    decoder.open({nullptr, url, "index.m3u8"}, {});
    const double origin = anchored();
    play(origin, origin + made().station.lengthSeconds() + 0.5, kStationRate);
    EXPECT_EQ(pairs, stationPairs());
    const Alignment a = align(heard, made().station.samples, kStationRate / 50);
    EXPECT_GT(a.correlation, 0.9);
    EXPECT_LE(std::abs(a.lag), 1);
}

}  // namespace
