// What ends up in the WAV file: every format, the timing of the first and
// every later sample, and what happens to the recording when a save fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>

#include "platform/sound/CardFeedInput.h"
#include "platform/sound/MciErrors.h"
#include "platform/sound/MciInterpreter.h"
#include "tests/platform/sound/SoundTestKit.h"

namespace ps = platform::sound;
using soundtest::ClockScope;
using soundtest::RampFeed;
using soundtest::ScratchDir;

namespace {

// A driver of its own per test, fed by the ramp.
class Recording : public ::testing::Test {
  protected:
    ps::MciInterpreter driver{[this]() -> platform::Result<std::unique_ptr<ps::WaveInput>> {
        return std::unique_ptr<ps::WaveInput>(std::make_unique<ps::CardFeedInput>(feed));
    }};
    ps::MciReply run(const std::string& c) { return driver.execute(c); }
    void open(const std::string& set) {
        ASSERT_EQ(run("open new type waveaudio alias w").code, 0u);
        ASSERT_EQ(run(set).code, 0u) << set;
    }
    RampFeed feed;
    ClockScope clock{5000.25};
    ScratchDir dir;
};

class EveryFormat : public Recording,
                    public ::testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(EveryFormat, HeaderAndSamplesMatchTheSetFormat) {
    const auto [rate, bits, channels] = GetParam();
    const int align = channels * bits / 8;
    open("set w samplespersec " + std::to_string(rate) + " channels " + std::to_string(channels) +
         " bitspersample " + std::to_string(bits) + " alignment " + std::to_string(align) +
         " bytespersec " + std::to_string(rate * align));
    ASSERT_EQ(run("record w overwrite").code, 0u);
    for (int i = 0; i < 13; ++i) {
        clock.clock.advance(0.077);
        driver.pumpAll();
    }
    const std::string wav = dir / "f.wav";
    ASSERT_EQ(run("save w " + wav).code, 0u);

    const auto h = soundtest::readFmt(wav);
    ASSERT_TRUE(h.found);
    EXPECT_EQ(h.riff, "RIFF");
    // Plain PCM: the 16-byte "fmt " body with tag 1, first after "WAVE",
    // and the chunks still add up to the RIFF size and the file's length.
    EXPECT_EQ(h.formatTag, 1) << h.formatTag;
    EXPECT_EQ(h.fmtSize, 16u);
    EXPECT_EQ(h.firstChunk, "fmt ");
    EXPECT_EQ(h.riffEnd, h.fileSize);
    EXPECT_EQ(h.chunksEnd, h.fileSize);
    EXPECT_EQ(h.channels, channels);
    EXPECT_EQ(h.sampleRate, static_cast<uint32_t>(rate));
    EXPECT_EQ(h.bits, bits);
    EXPECT_EQ(h.blockAlign, align);
    EXPECT_EQ(h.byteRate, static_cast<uint32_t>(rate * align));

    const auto d = soundtest::decode(wav);
    ASSERT_TRUE(d.ok);
    const auto frames = static_cast<sf_count_t>(std::floor(13 * 0.077 * rate));
    EXPECT_NEAR(static_cast<double>(d.info.frames), static_cast<double>(frames), 1.0);
    EXPECT_EQ(h.dataBytes, static_cast<uint32_t>(d.info.frames * align));
    EXPECT_EQ(d.info.format, SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16));
    // A second, independent reader.
    const soundtest::ForeignRead ffmpeg = soundtest::readWithFfmpeg(wav);
    EXPECT_EQ(ffmpeg.summary(), std::to_string(rate) + " " + std::to_string(channels) + " " +
                                    std::to_string(bits) + " " + std::to_string(d.info.frames) +
                                    " " + (bits == 8 ? "pcm_u8" : "pcm_s16le"));
    EXPECT_EQ(ffmpeg.samples, d.samples);
    // Each sample is the ramp at its own moment, to the format's precision.
    // libsndfile reads a PCM value q back as q / 2^(bits-1); the device wrote
    // the nearest q to x * (2^(bits-1) - 1), so half a step is the most it may be off.
    const double full = bits == 8 ? 127.0 : 32767.0;
    const double rescale = (full + 1.0) / full;
    for (sf_count_t i = 0; i < d.info.frames; i += 97) {
        const double want = RampFeed::at(5000.25 + static_cast<double>(i) / rate);
        EXPECT_NEAR(d.samples[i * channels] * rescale, want, 0.5001 / full) << "frame " << i;
        if (channels == 2) {
            EXPECT_NEAR(d.samples[i * channels + 1] * rescale, -want, 0.5001 / full)
                << "frame " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RatesBitsChannels, EveryFormat,
                         ::testing::Combine(::testing::Values(8000, 11025, 22050, 44100),
                                            ::testing::Values(8, 16), ::testing::Values(1, 2)));

TEST_F(Recording, FirstSampleIsTheMomentRecordWasAcceptedAndNothingDrifts) {
    open("set w samplespersec 44100 channels 1 bitspersample 16");
    clock.clock.set(7000.6);  // the ramp is at +0.18 here, far from either edge
    ASSERT_EQ(run("record w overwrite").code, 0u);
    // Pumps at uneven moments, some closer together than one frame.
    for (double step : {0.0, 0.00001, 0.05, 0.0731, 0.000002, 0.11, 0.0999, 0.2}) {
        clock.clock.advance(step);
        driver.pumpAll();
    }
    ASSERT_EQ(run("stop w").code, 0u);
    ASSERT_EQ(run("save w " + (dir / "a.wav")).code, 0u);
    const auto d = soundtest::decode(dir / "a.wav");
    ASSERT_TRUE(d.ok);
    const double span = 0.00001 + 0.05 + 0.0731 + 0.000002 + 0.11 + 0.0999 + 0.2;
    EXPECT_EQ(d.info.frames, static_cast<sf_count_t>(std::floor(span * 44100 + 1e-9)));
    EXPECT_NEAR(d.samples[0], RampFeed::at(7000.6), 1.0 / 32767);
    for (sf_count_t i = 1; i < d.info.frames; ++i) {
        // Frame i is rendered for exactly 7000.6 + i / rate: no frame lost or repeated.
        ASSERT_NEAR(d.samples[i], RampFeed::at(7000.6 + static_cast<double>(i) / 44100),
                    1.5 / 32767)
            << "frame " << i;
    }
}

TEST_F(Recording, ACardWithoutSoundMakesTheSaveSayItInsteadOfPassingSilenceOff) {
    open("set w samplespersec 22050 channels 1 bitspersample 16");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(0.5);
    driver.pumpAll();
    feed.lost = "This channel's sound (AC-4) cannot be decoded";
    clock.clock.advance(0.5);
    driver.pumpAll();
    feed.lost.clear();  // tuned away: the loss is still the recording's
    const ps::MciReply r = run("save w " + (dir / "ac4.wav"));
    EXPECT_EQ(r.code, 0u) << "what was recorded is saved";
    EXPECT_EQ(r.text,
              "input lost: the card had no sound to give: This channel's sound (AC-4) cannot be "
              "decoded");
    ASSERT_EQ(run("close w ").code, 0u);
    ASSERT_EQ(run("open new type waveaudio alias w").code, 0u);
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(0.5);
    driver.pumpAll();
    EXPECT_EQ(run("save w " + (dir / "fine.wav")).text, "") << "the next recording starts clean";
}

TEST_F(Recording, RecordAfterStopStartsAgainEmpty) {
    open("set w samplespersec 8000 channels 1 bitspersample 8");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(3.0);
    ASSERT_EQ(run("stop w").code, 0u);
    clock.clock.advance(10.0);
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(0.5);
    ASSERT_EQ(run("save w " + (dir / "b.wav")).code, 0u);
    EXPECT_EQ(soundtest::decode(dir / "b.wav").info.frames, 4000);
}

TEST_F(Recording, SavedFileGetsTheUsualPermissionsNotThePrivateTempOnes) {
    const mode_t mask = umask(027);
    open("set w samplespersec 8000");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(0.1);
    ASSERT_EQ(run("save w " + (dir / "p.wav")).code, 0u);
    umask(mask);
    struct stat st {};
    ASSERT_EQ(stat((dir / "p.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(Recording, UnsavedRecordingLeavesNoTemporaryFileBehind) {
    ScratchDir tmp;
    soundtest::TmpDirScope scope(tmp.path);
    open("set w samplespersec 8000");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(1.0);
    driver.pumpAll();
    EXPECT_EQ(tmp.fileCount(), 1u);
    ASSERT_EQ(run("record w overwrite").code, 0u);  // the first take is dropped
    EXPECT_EQ(tmp.fileCount(), 1u);
    ASSERT_EQ(run("close w ").code, 0u);
    EXPECT_EQ(tmp.fileCount(), 0u);
}

TEST_F(Recording, FailedSaveKeepsTheRecordingAndSaysWhere) {
    ScratchDir tmp;
    soundtest::TmpDirScope scope(tmp.path);
    open("set w samplespersec 22050 channels 1 bitspersample 16");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(1.0);
    const std::string bad = dir / "no such folder/take.wav";
    const ps::MciReply r = run("save w " + bad);
    EXPECT_EQ(r.code, ps::kMciFileNotSaved);
    EXPECT_NE(r.text.find("'" + bad + "'"), std::string::npos) << r.text;
    EXPECT_NE(r.text.find("No such file or directory"), std::string::npos) << r.text;
    ASSERT_EQ(tmp.fileCount(), 1u);
    const std::string kept = std::filesystem::directory_iterator(tmp.path)->path().string();
    EXPECT_NE(r.text.find(kept), std::string::npos) << r.text;

    // The kept file is a complete WAV; closing the device does not delete it,
    // and a later save to a good path still works.
    EXPECT_EQ(soundtest::decode(kept).info.frames, 22050);
    EXPECT_EQ(run("save w " + (dir / "good.wav")).code, 0u);
    EXPECT_EQ(soundtest::decode(dir / "good.wav").info.frames, 22050);
    ASSERT_EQ(run("close w ").code, 0u);
    EXPECT_EQ(tmp.fileCount(), 0u) << "moved to good.wav";
}

TEST_F(Recording, SaveOntoAFolderFailsNamingIt) {
    open("set w samplespersec 8000");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(0.2);
    std::filesystem::create_directory(dir / "taken.wav");
    std::filesystem::create_directory(dir / "taken.wav/inside");
    const ps::MciReply r = run("save w " + (dir / "taken.wav"));
    EXPECT_EQ(r.code, ps::kMciFileNotSaved);
    EXPECT_NE(r.text.find(dir / "taken.wav"), std::string::npos) << r.text;
    ASSERT_EQ(run("close w ").code, 0u);
}

TEST_F(Recording, SaveAcrossFileSystemsCopies) {
    // Another file system the test may write on: /dev/shm, where a machine
    // has it (a chroot or container may not).
    ScratchDir tmp("/dev/shm");
    struct stat a {
    }, b{};
    if (tmp.path.empty() || stat(tmp.path.c_str(), &a) != 0 || stat(dir.path.c_str(), &b) != 0 ||
        a.st_dev == b.st_dev) {
        GTEST_SKIP() << "needs a writable /dev/shm on a file system of its own";
    }
    soundtest::TmpDirScope scope(tmp.path);
    open("set w samplespersec 11025 channels 2 bitspersample 8");
    ASSERT_EQ(run("record w overwrite").code, 0u);
    clock.clock.advance(2.0);
    ASSERT_EQ(run("save w " + (dir / "c.wav")).code, 0u);
    EXPECT_EQ(tmp.fileCount(), 0u);
    const auto d = soundtest::decode(dir / "c.wav");
    EXPECT_EQ(d.info.frames, 22050);
    EXPECT_EQ(d.info.channels, 2);
}

TEST_F(Recording, NoWritableTempFolderRefusesRecord) {
    soundtest::TmpDirScope scope(dir / "missing");
    open("set w samplespersec 8000");
    const ps::MciReply r = run("record w overwrite");
    EXPECT_EQ(r.code, ps::kMciFileNotSaved);
    EXPECT_NE(r.text.find(dir / "missing"), std::string::npos) << r.text;
}

// An input that fails part-way, as a capture device does when its server dies.
class DyingInput final : public ps::WaveInput {
  public:
    platform::Status start(const ps::WaveFormat& f, double) override {
        channels_ = f.channels;
        return {};
    }
    platform::Status read(ps::FrameSink& sink) override {
        if (!lost_.empty()) {
            return {};
        }
        std::vector<float> frames(100 * channels_, 0.25f);
        lost_ = "the sound server went away";
        return sink.frames(frames.data(), 100);
    }
    void stop() override {}
    std::string lostReason() const override { return lost_; }

  private:
    int channels_ = 1;
    std::string lost_;
};

TEST(RecordingLostInput, WhatWasCapturedIsSavedAndTheLossIsReported) {
    ScratchDir dir;
    ps::MciInterpreter driver([]() -> platform::Result<std::unique_ptr<ps::WaveInput>> {
        return std::unique_ptr<ps::WaveInput>(std::make_unique<DyingInput>());
    });
    ASSERT_EQ(driver.execute("open new type waveaudio alias w").code, 0u);
    ASSERT_EQ(driver.execute("record w overwrite").code, 0u);
    driver.pumpAll();
    driver.pumpAll();
    const ps::MciReply r = driver.execute("save w " + (dir / "lost.wav"));
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.text, "input lost: the sound server went away");
    EXPECT_EQ(driver.lostInput(), "the sound server went away");
    ASSERT_EQ(driver.execute("close w ").code, 0u);
    EXPECT_EQ(driver.lostInput(), "the sound server went away") << "still known after close";
    EXPECT_EQ(soundtest::decode(dir / "lost.wav").info.frames, 100);
    ASSERT_EQ(driver.execute("open new type waveaudio alias w").code, 0u);
    EXPECT_EQ(driver.lostInput(), "") << "a new device starts clean";
}

}  // namespace
