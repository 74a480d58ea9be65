#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tools/broadcastmaker/SoundTrack.h"
#include "tools/broadcastmaker/Speech.h"

namespace tools::broadcast {
namespace {

class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("broadcastmaker_sound_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(SoundTest, LinesLandAtTheirTimesAndMix) {
    SoundTrack track(1000);
    track.mixAt(0.5, std::vector<float>(100, 0.25f));
    EXPECT_EQ(track.samples().size(), 600u);
    EXPECT_EQ(track.samples()[499], 0.0f);
    EXPECT_EQ(track.samples()[500], 0.25f);
    track.mixAt(0.55, std::vector<float>(10, 0.9f));  // overlaps: mixes, clipped
    EXPECT_EQ(track.samples()[549], 0.25f);
    EXPECT_EQ(track.samples()[550], 1.0f);
    EXPECT_EQ(track.samples()[560], 0.25f);
    track.extendTo(2.0);
    EXPECT_DOUBLE_EQ(track.seconds(), 2.0);
    track.extendTo(1.0);
    EXPECT_DOUBLE_EQ(track.seconds(), 2.0);
}

TEST_F(SoundTest, FlacReadsBackAndResamples) {
    SoundTrack track(16000);
    std::vector<float> tone(16000);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = 0.5f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * i / 16000.0));
    }
    track.mixAt(0.25, tone);
    const std::string path = (dir_ / "sound.flac").string();
    ASSERT_TRUE(track.writeFlac(path).isOk());

    platform::Result<std::vector<float>> same = readSoundFile(path, 16000);
    ASSERT_TRUE(same.isOk()) << same.message();
    ASSERT_EQ(same.value().size(), track.samples().size());
    for (size_t i = 0; i < same.value().size(); ++i) {
        ASSERT_NEAR(same.value()[i], track.samples()[i], 1.0 / 16384) << i;
    }
    platform::Result<std::vector<float>> half = readSoundFile(path, 8000);
    ASSERT_TRUE(half.isOk()) << half.message();
    EXPECT_NEAR(static_cast<double>(half.value().size()), track.samples().size() / 2.0, 16.0);

    const platform::Status bad = track.writeFlac((dir_ / "no" / "sound.flac").string());
    EXPECT_FALSE(bad.isOk());
    EXPECT_NE(bad.message().find("no/sound.flac"), std::string::npos) << bad.message();
}

// Runs the real speech program, as the tool does.
TEST_F(SoundTest, SpeaksALine) {
    platform::Result<std::vector<float>> sound =
        speak("Good evening, and welcome.", Voice{}, 16000, dir_.string());
    ASSERT_TRUE(sound.isOk()) << sound.message();
    const double seconds = static_cast<double>(sound.value().size()) / 16000;
    EXPECT_GT(seconds, 0.8);
    EXPECT_LT(seconds, 4.0);
    float loudest = 0.0f;
    for (float s : sound.value()) {
        loudest = std::max(loudest, std::abs(s));
    }
    EXPECT_GT(loudest, 0.05f);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));  // its temporary files are gone

    Voice unknown;
    unknown.name = "--no-such-voice";
    EXPECT_FALSE(speak("x", unknown, 16000, dir_.string()).isOk());
}

}  // namespace
}  // namespace tools::broadcast
