// The command strings exactly as the recorder sends them, through
// mciSendStringA, and every way a command can be refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/sound/Mci.h"
#include "platform/sound/MciErrors.h"
#include "platform/sound/SoundSetup.h"
#include "tests/platform/sound/SoundTestKit.h"

namespace ps = platform::sound;
using soundtest::ClockScope;
using soundtest::RampFeed;
using soundtest::ScratchDir;

namespace {

struct Sent {
    uint32_t code = 0;
    std::string reply;
};

Sent send(const std::string& command) {
    std::vector<char> ret(128, ' ');
    Sent s;
    s.code = ps::mciSendStringA(command.c_str(), ret.data(), static_cast<uint32_t>(ret.size()), 0);
    s.reply = ret.data();
    return s;
}

class MciCommands : public ::testing::Test {
  protected:
    void SetUp() override { ps::setCardFeed(&feed); }
    void TearDown() override {
        send("close all");
        ps::setCardFeed(nullptr);
    }
    void startSequence(const std::string& set) {
        ASSERT_EQ(send("open new type waveaudio alias w").code, 0u);
        ASSERT_EQ(send(set).code, 0u);
        ASSERT_EQ(send("record w overwrite").code, 0u);
    }
    RampFeed feed;
    ClockScope clock{1000.0};
    ScratchDir dir;
};

TEST_F(MciCommands, StopPressSequenceSavesWithoutAStopCommand) {
    startSequence(
        "set w samplespersec 22050 channels 1 bitspersample 16 alignment 2 bytespersec 44100");
    clock.clock.advance(0.5);
    ps::pumpAll();
    clock.clock.advance(0.25);
    const std::string wav = dir / "untitled.wav";
    EXPECT_EQ(send("save w " + wav).code, 0u);
    EXPECT_EQ(send("close w ").code, 0u);

    const auto d = soundtest::decode(wav);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.info.samplerate, 22050);
    EXPECT_EQ(d.info.channels, 1);
    EXPECT_EQ(d.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    // The save itself pumps, so the last quarter second is in the file.
    EXPECT_EQ(d.info.frames, 22050 * 3 / 4);
    EXPECT_EQ(send("close w").code, ps::kMciInvalidDeviceName) << "the alias is free after close";
}

TEST_F(MciCommands, TimeOutSequenceStopsThenSavesWhatWasRecordedUntilTheStop) {
    startSequence(
        "set w samplespersec 8000 channels 1 bitspersample 8 alignment 1 bytespersec 8000");
    clock.clock.advance(2.0);
    EXPECT_EQ(send("stop w").code, 0u);
    clock.clock.advance(3.0);  // nothing after the stop belongs to the recording
    const std::string wav = dir / "timed out.wav";
    EXPECT_EQ(send("save w " + wav).code, 0u);
    EXPECT_EQ(send("close w ").code, 0u);
    const auto d = soundtest::decode(wav);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.info.frames, 16000);
    EXPECT_EQ(d.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_U8);
}

TEST_F(MciCommands, SavePathIsTheRestOfTheLineBlanksIncluded) {
    startSequence(
        "set w samplespersec 11025 channels 2 bitspersample 16 alignment 4 bytespersec 44100");
    clock.clock.advance(0.1);
    const std::string wav = dir / "my  script name .wav";
    EXPECT_EQ(send("save w " + wav).code, 0u);
    EXPECT_TRUE(soundtest::decode(wav).ok);
    EXPECT_EQ(dir.fileCount(), 1u);

    // A second save of the same recording, to a name that starts with blanks
    // (relative to the working folder).
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path);
    EXPECT_EQ(send("save w   leading.wav").code, 0u);
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(std::filesystem::exists(dir / "  leading.wav"));
    EXPECT_EQ(std::filesystem::file_size(dir / "  leading.wav"), std::filesystem::file_size(wav));
}

TEST_F(MciCommands, WordsAndAliasesAreCaseBlind) {
    EXPECT_EQ(send("OPEN New TYPE WaveAudio ALIAS Rec").code, 0u);
    EXPECT_EQ(send("SET rec SamplesPerSec 44100").code, 0u);
    EXPECT_EQ(send("Record REC Overwrite").code, 0u);
    clock.clock.advance(0.01);
    EXPECT_EQ(send("save rEc " + (dir / "x.wav")).code, 0u);
    EXPECT_EQ(send("open new type waveaudio alias REC").code, ps::kMciDeviceOpen);
    EXPECT_EQ(send("close rec").code, 0u);
    EXPECT_EQ(soundtest::decode(dir / "x.wav").info.samplerate, 44100);
}

TEST_F(MciCommands, ReplyIsCutToTheBufferAndNullBufferIsAllowed) {
    EXPECT_NE(ps::mciSendStringA("bogus", nullptr, 0, 0), 0u);
    EXPECT_EQ(ps::mciSendStringA(nullptr, nullptr, 0, 0), ps::kMciMissingCommandString);
    char small[8];
    std::fill(std::begin(small), std::end(small), 'x');
    EXPECT_EQ(ps::mciSendStringA("frobnicate w", small, sizeof small, 0),
              ps::kMciUnrecognizedCommand);
    EXPECT_EQ(std::string(small), "Unknown");
}

struct Refusal {
    const char* name;
    std::vector<std::string> before;
    std::string command;
    uint32_t code;
    std::string replyHas;
};

class MciRefusals : public MciCommands, public ::testing::WithParamInterface<Refusal> {};

TEST_P(MciRefusals, CodeAndReply) {
    const Refusal& r = GetParam();
    for (const auto& c : r.before) {
        ASSERT_EQ(send(c).code, 0u) << c;
    }
    const Sent s = send(r.command);
    EXPECT_EQ(s.code, r.code) << r.command << " -> " << s.reply;
    EXPECT_NE(s.reply.find(r.replyHas), std::string::npos) << s.reply;
}

const std::string kOpen = "open new type waveaudio alias w";

INSTANTIATE_TEST_SUITE_P(
    All, MciRefusals,
    ::testing::Values(
        Refusal{"Empty", {}, "   ", ps::kMciMissingCommandString, "No command"},
        Refusal{"UnknownCommand", {}, "play w", ps::kMciUnrecognizedCommand, "'play'"},
        Refusal{"NoAlias", {}, "stop", ps::kMciMissingDeviceName, "No device name"},
        Refusal{"UnknownAlias", {}, "stop w", ps::kMciInvalidDeviceName, "'w'"},
        Refusal{
            "UnknownAliasOnSave", {kOpen}, "save x /tmp/a.wav", ps::kMciInvalidDeviceName, "'x'"},
        Refusal{"AliasInUse", {kOpen}, kOpen, ps::kMciDeviceOpen, "in use"},
        Refusal{"AliasAll", {}, "open new type waveaudio alias all", ps::kMciDeviceOpen, "'all'"},
        Refusal{"OpenAFile",
                {},
                "open c:/a.wav type waveaudio alias w",
                ps::kMciUnsupportedFunction,
                "only new"},
        Refusal{
            "OtherType", {}, "open new type cdaudio alias w", ps::kMciInvalidDeviceName, "cdaudio"},
        Refusal{"NoType", {}, "open new alias w", ps::kMciDeviceTypeRequired, ""},
        Refusal{
            "NewWithoutAlias", {}, "open new type waveaudio", ps::kMciNewRequiresAlias, "alias"},
        Refusal{"OpenKeywordWithoutValue",
                {},
                "open new type waveaudio alias",
                ps::kMciMissingParameter,
                "'alias'"},
        Refusal{"SetNothing", {kOpen}, "set w", ps::kMciMissingParameter, "set"},
        Refusal{"SetUnknownWord", {kOpen}, "set w speed 2", ps::kMciUnrecognizedKeyword, "'speed'"},
        Refusal{"SetNoValue", {kOpen}, "set w channels", ps::kMciMissingParameter, "'channels'"},
        Refusal{"SetNotANumber", {kOpen}, "set w channels two", ps::kMciBadInteger, "'two'"},
        Refusal{"SetNegative", {kOpen}, "set w channels -1", ps::kMciBadInteger, "'-1'"},
        Refusal{"SetHuge",
                {kOpen},
                "set w samplespersec 99999999999",
                ps::kMciBadInteger,
                "99999999999"},
        Refusal{
            "SetTwice", {kOpen}, "set w channels 1 channels 2", ps::kMciDuplicateFlags, "twice"},
        Refusal{"Rate48000",
                {kOpen},
                "set w samplespersec 48000",
                ps::kMciWaveInputsUnsuitable,
                "48000 Hz"},
        Refusal{"ThreeChannels",
                {kOpen},
                "set w channels 3",
                ps::kMciWaveInputsUnsuitable,
                "channel count 3"},
        Refusal{
            "Bits24", {kOpen}, "set w bitspersample 24", ps::kMciWaveInputsUnsuitable, "24 bits"},
        Refusal{
            "ZeroRate", {kOpen}, "set w samplespersec 0", ps::kMciWaveInputsUnsuitable, "rate 0"},
        Refusal{"WrongAlignment",
                {kOpen},
                "set w samplespersec 44100 channels 2 bitspersample 16 alignment 2",
                ps::kMciOutOfRange,
                "alignment 2"},
        Refusal{
            "WrongByteRate",
            {kOpen},
            "set w samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 88200",
            ps::kMciOutOfRange,
            "176400"},
        Refusal{"SetWhileRecording",
                {kOpen, "record w overwrite"},
                "set w channels 2",
                ps::kMciNonapplicableFunction,
                "while recording"},
        Refusal{"RecordWithoutOverwrite",
                {kOpen},
                "record w",
                ps::kMciUnsupportedFunction,
                "overwrite"},
        Refusal{"RecordExtraWord",
                {kOpen},
                "record w overwrite now",
                ps::kMciUnrecognizedKeyword,
                "'now'"},
        Refusal{"StopExtraWord", {kOpen}, "stop w now", ps::kMciUnrecognizedKeyword, "'now'"},
        Refusal{"CloseExtraWord", {kOpen}, "close w now", ps::kMciUnrecognizedKeyword, "'now'"},
        Refusal{"SaveWithoutPath",
                {kOpen, "record w overwrite"},
                "save w ",
                ps::kMciFilenameRequired,
                "filename"},
        Refusal{"SaveBeforeRecord",
                {kOpen},
                "save w /tmp/never.wav",
                ps::kMciNonapplicableFunction,
                "Nothing has been recorded"}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST_F(MciCommands, RefusedSetChangesNothing) {
    ASSERT_EQ(send(kOpen).code, 0u);
    ASSERT_EQ(send("set w samplespersec 8000 channels 2 bitspersample 16").code, 0u);
    EXPECT_NE(send("set w samplespersec 44100 alignment 1").code, 0u);
    ASSERT_EQ(send("record w overwrite").code, 0u);
    clock.clock.advance(1.0);
    ASSERT_EQ(send("save w " + (dir / "a.wav")).code, 0u);
    const auto d = soundtest::decode(dir / "a.wav");
    EXPECT_EQ(d.info.samplerate, 8000);
    EXPECT_EQ(d.info.channels, 2);
    EXPECT_EQ(d.info.frames, 8000);
}

TEST_F(MciCommands, RecordWithoutAnInputIsRefused) {
    ps::setCardFeed(nullptr);
    ASSERT_EQ(send(kOpen).code, 0u);
    const Sent s = send("record w overwrite");
    EXPECT_EQ(s.code, ps::kMciWaveInputsUnsuitable);
    EXPECT_NE(s.reply.find("no sound"), std::string::npos) << s.reply;
}

TEST_F(MciCommands, PumpSchedulerHearsRecordingStartAndEnd) {
    std::vector<bool> heard;
    ps::setPumpScheduler([&](bool on) { heard.push_back(on); });
    send(kOpen);
    send("record w overwrite");
    send("record w overwrite");  // still recording: no news
    send("stop w");
    send("record w overwrite");
    send("close w ");
    ps::setPumpScheduler({});
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true, false}));
}

}  // namespace
