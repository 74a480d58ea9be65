// Recordings through the real waveaudio device, fed by a steady tone in place
// of the card's sound, on a clock the test moves.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "platform/sound/MciErrors.h"
#include "platform/sound/SoundSetup.h"
#include "platform/tv/AudioFeed.h"
#include "recording/RecordingController.h"
#include "recording/SendMciCommand.h"
#include "tests/recording/RecorderFakes.h"

namespace recording {
namespace {

namespace fs = std::filesystem;

class Tone final : public platform::tv::AudioFeed {
  public:
    void render(double start, int rate, int channels, float* out, std::size_t frames) override {
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = start + static_cast<double>(i) / rate;
            for (int c = 0; c < channels; ++c) {
                out[i * channels + c] = static_cast<float>(0.5 * std::sin(2 * M_PI * 440.0 * t));
            }
        }
    }
};

struct WavInfo {
    int rate = 0, channels = 0, format = 0;
    long frames = 0;
};

WavInfo readWav(const fs::path& p) {
    SF_INFO info{};
    SNDFILE* f = sf_open(p.c_str(), SFM_READ, &info);
    if (!f) {
        return {};
    }
    sf_close(f);
    return {info.samplerate, info.channels, info.format, static_cast<long>(info.frames)};
}

class SoundDeviceTest : public ::testing::Test {
  protected:
    SoundDeviceTest() {
        char pattern[] = "/tmp/cuelark-sound-XXXXXX";
        dir = ::mkdtemp(pattern);
        saveDir = dir.string();
        dataHome.set((dir / "home").string());
        platform::setProgramClock(&clock);
        platform::sound::setCardFeed(&tone);
        captions.init(0);
    }
    ~SoundDeviceTest() override {
        SendMciCommand("close all");
        platform::sound::setCardFeed(nullptr);
        platform::setProgramClock(nullptr);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The device moves captured sound into its file when pumped, as the
    // program's timer does every few tens of milliseconds.
    void runFor(double seconds) {
        for (double t = 0; t < seconds; t += 0.1) {
            clock.advance(0.1);
            platform::sound::pumpAll();
        }
    }

    fs::path dir;
    std::string saveDir;
    testing::DataHomeScope dataHome;
    platform::ManualClock clock{1000.0};
    Tone tone;
    platform::FileTable files;
    cldCCFactory captions{clock, files};
    testing::EventLog log;
    testing::VideoWindow video{log};
    QualityValues quality;
    SystemMci mci;
    testing::FakeBoxes boxes;
    testing::FakeControls controls;
    RecordingController controller{controls, RecordingServices{saveDir, captions, video.handle,
                                                               quality, mci, files, clock, boxes}};
};

TEST_F(SoundDeviceTest, TimedOutRecordingIsAWavInTheChosenFormat) {
    quality = {8000, 8, 2};
    controls.duration = "2";
    controller.cmdRecord_Click();
    runFor(2.0);
    controller.Timer1_Timer();
    ASSERT_EQ(controls.record, "&Record");
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    const WavInfo wav = readWav(dir / "untitled.wav");
    EXPECT_EQ(wav.rate, 8000);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_U8);
    EXPECT_NEAR(wav.frames, 16000, 800);
}

TEST_F(SoundDeviceTest, PressedStopSavesUnderABlankedName) {
    controls.name = "evening news";
    controller.cmdRecord_Click();
    runFor(1.0);
    controller.cmdRecord_Click();
    const WavInfo wav = readWav(dir / "evening news.wav");
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SoundDeviceTest, UnwritableFolderKeepsTheSoundAndSaysWhere) {
    // Long enough that the kept file's name falls beyond 127 characters.
    saveDir = (dir / std::string(150, 'x') / "gone").string();
    controller.cmdRecord_Click();
    runFor(1.0);
    controller.cmdRecord_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& text = boxes.shown[0].text;
    EXPECT_NE(text.find(saveDir + "/untitled.txt"), std::string::npos) << text;
    EXPECT_NE(text.find(saveDir + "/untitled.wav"), std::string::npos) << text;
    const std::size_t quote = text.rfind('\'');
    const std::size_t open = text.rfind('\'', quote - 1);
    ASSERT_NE(open, std::string::npos) << text;
    const fs::path kept = text.substr(open + 1, quote - open - 1);
    EXPECT_EQ(readWav(kept).rate, 22050) << "the sound is kept at " << kept;
    fs::remove(kept);
}

TEST(SendMciCommand, RepliesAreCutAtTheBufferAndLeftTrimmed) {
    const MciReply unknown = SendMciCommandWithCode("close nosuchalias");
    EXPECT_EQ(unknown.code, platform::sound::kMciInvalidDeviceName);
    EXPECT_FALSE(unknown.text.empty());
    EXPECT_NE(unknown.text.front(), ' ');
    EXPECT_EQ(SendMciCommand("close nosuchalias"), unknown.text);

    const std::string longAlias(300, 'a');
    const std::string cut = SendMciCommand("close " + longAlias);
    const MciReply whole = SystemMci().send("close " + longAlias);
    EXPECT_LE(cut.size(), 127u);
    EXPECT_GT(whole.text.size(), cut.size()) << whole.text;
    EXPECT_TRUE(whole.text.starts_with(cut));
    EXPECT_EQ(SendMciCommandWithCode("open new type waveaudio alias w").code, 0u);
    EXPECT_EQ(SendMciCommandWithCode("close w ").code, 0u);
}

}  // namespace
}  // namespace recording
