// The Record/Stop button, the countdown and Check, driven through fake
// controls, a fake sound device and a clock the test moves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "recording/RecordingController.h"
#include "tests/recording/RecorderFakes.h"

namespace recording {
namespace {

using testing::EventLog;
using testing::FakeBoxes;
using testing::FakeControls;
using testing::FakeMci;
using testing::VideoWindow;
namespace fs = std::filesystem;

constexpr double kStart = 50000.0;
const std::string kOpen = "open new type waveaudio alias w";
const std::string kDefaultFormat =
    "set w samplespersec 22050 channels 1 bitspersample 16 alignment 2 bytespersec 44100";
const std::string kRecord = "record w overwrite";
const std::string kStopping = "1035 wParam 1 value 0";
const std::string kStopped = "1035 wParam 0 value 0";

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordingTest : public ::testing::Test {
  protected:
    RecordingTest() {
        char pattern[] = "/tmp/cuelark-recording-XXXXXX";
        dir = ::mkdtemp(pattern);
        saveDir = dir.string();
        captions.init(0);
    }
    ~RecordingTest() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void at(double seconds) { clock.set(kStart + seconds); }
    void tickAt(double seconds) {
        at(seconds);
        controller.Timer1_Timer();
    }
    void press() { controller.cmdRecord_Click(); }
    void touch(const fs::path& p) { std::ofstream(p) << "old"; }

    // One pop-on caption loaded and put on display by erase-displayed-memory.
    void caption(const std::string& text) {
        captions.decode(0x14, 0x20);
        for (char c : text) {
            captions.decode(c, 0);
        }
        captions.decode(0x14, 0x2C);
    }
    void eraseDisplayed() {
        captions.decode(0, 0);
        captions.decode(0x14, 0x2C);
    }

    fs::path dir;
    std::string saveDir;
    platform::ManualClock clock{kStart};
    platform::FileTable files;
    cldCCFactory captions{clock, files};
    EventLog log;
    VideoWindow video{log};
    QualityValues quality;
    FakeMci mci{log};
    FakeBoxes boxes;
    FakeControls controls;
    RecordingController controller{controls, RecordingServices{saveDir, captions, video.handle,
                                                               quality, mci, files, clock, boxes}};
};

TEST_F(RecordingTest, TenMinutesCountDownAndTimeOut) {
    const fs::path wav = dir / "untitled.wav";
    touch(wav);
    press();
    EXPECT_FALSE(fs::exists(wav)) << "Record deletes an old sound file of the same name";
    EXPECT_EQ(controls.record, "&Stop");
    EXPECT_TRUE(controls.timerEnabled);
    EXPECT_EQ(controls.timerInterval, 500);
    EXPECT_TRUE(controls.checkEnabled);
    EXPECT_EQ(controls.checks, "0");
    EXPECT_EQ(controls.remaining, "0") << "untouched until the first tick";
    EXPECT_EQ(log.events, (std::vector<std::string>{kOpen, kDefaultFormat, kRecord}));

    tickAt(0.5);
    EXPECT_EQ(controls.remaining, "599");
    long previous = 599;
    for (int half = 2; half < 1200; ++half) {
        tickAt(half * 0.5);
        ASSERT_EQ(controls.record, "&Stop") << "ended early at " << half * 0.5;
        const long shown = std::stol(controls.remaining);
        ASSERT_LE(shown, previous);
        ASSERT_EQ(std::to_string(shown), controls.remaining);
        previous = shown;
    }
    EXPECT_EQ(controls.remaining, "0") << "during the last second";

    // The device writes nothing here, so a file at the path shows whether
    // the time-out deleted it.
    touch(wav);
    tickAt(600.0);
    EXPECT_EQ(controls.record, "&Record");
    EXPECT_EQ(controls.remaining, "0");
    EXPECT_FALSE(controls.timerEnabled);
    EXPECT_FALSE(controls.checkEnabled);
    EXPECT_TRUE(fs::exists(wav)) << "the time-out does not delete before saving";
    EXPECT_EQ(log.events,
              (std::vector<std::string>{kOpen, kDefaultFormat, kRecord, kStopping, "stop w",
                                        "save w " + wav.string(), "close w ", kStopped}));
    EXPECT_TRUE(fs::exists(dir / "untitled.txt"));
    EXPECT_TRUE(boxes.shown.empty());

    log.events.clear();
    press();
    EXPECT_EQ(controls.record, "&Stop") << "the next press starts a new recording";
    EXPECT_EQ(log.events.front(), kOpen);
}

TEST_F(RecordingTest, StopPressSavesWithoutStopCommand) {
    const fs::path txt = dir / "untitled.txt";
    std::ofstream(txt) << "an old script";
    press();
    EXPECT_EQ(fs::file_size(txt), 0u) << "an existing script is truncated at the start";
    tickAt(0.5);
    at(3.0);
    const fs::path wav = dir / "untitled.wav";
    touch(wav);
    press();
    EXPECT_FALSE(fs::exists(wav)) << "Stop deletes before saving";
    EXPECT_EQ(controls.record, "&Record");
    EXPECT_EQ(controls.remaining, "0");
    EXPECT_EQ(log.events,
              (std::vector<std::string>{kOpen, kDefaultFormat, kRecord, kStopping,
                                        "save w " + wav.string(), "close w ", kStopped}));
}

TEST_F(RecordingTest, FormatFollowsTheQualityAtEachStart) {
    quality = {44100, 16, 2};
    press();
    quality = {8000, 8, 1};  // changed while recording: counts from the next start
    press();
    press();
    press();
    ASSERT_EQ(log.events.size(), 14u);
    EXPECT_EQ(log.events[1],
              "set w samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec "
              "176400");
    EXPECT_EQ(log.events[8],
              "set w samplespersec 8000 channels 1 bitspersample 8 alignment 1 bytespersec 8000");
}

TEST(SoundFormat, AlignmentRoundsHalvesToEven) {
    struct Case {
        QualityValues q;
        const char* alignmentAndRate;
    };
    const Case cases[] = {
        {{22050, 8, 2}, "alignment 2 bytespersec 44100"},
        {{11025, 16, 1}, "alignment 2 bytespersec 22050"},
        {{8000, 4, 1}, "alignment 0 bytespersec 0"},       // 0.5 goes down to 0
        {{8000, 12, 1}, "alignment 2 bytespersec 16000"},  // 1.5 goes up to 2
        {{8000, 4, 5}, "alignment 2 bytespersec 16000"},   // 2.5 goes down to 2
        {{8000, 12, 3}, "alignment 4 bytespersec 32000"},  // 4.5 goes down to 4
    };
    for (const Case& c : cases) {
        const std::string command = formatCommand(c.q);
        EXPECT_TRUE(command.ends_with(c.alignmentAndRate)) << command;
    }
}

TEST_F(RecordingTest, EmptyNameIsRefusedInBothStates) {
    controls.name = "";
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Input script name");
    EXPECT_EQ(boxes.shown[0].title, "Cuelark");
    EXPECT_EQ(boxes.shown[0].style, platform::shell::MB_OK);
    EXPECT_EQ(controls.record, "&Record");
    EXPECT_TRUE(log.events.empty());

    controls.name = "news";
    controls.duration = "5";
    press();
    controls.name = "";
    press();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(controls.record, "&Stop") << "the recording goes on";
    EXPECT_TRUE(controls.timerEnabled);

    tickAt(5.0);
    EXPECT_EQ(controls.record, "&Record") << "the time-out still ends it";
    EXPECT_EQ(log.events[5], "save w " + saveDir + "/.wav");
}

TEST_F(RecordingTest, RenamedDuringRecording) {
    std::vector<std::string> made;
    controller.setStoppedListener([&](const std::string& script, const std::string& wav) {
        made = {script, wav};
    });
    controls.name = "first";
    press();
    controls.name = "second";
    const fs::path secondWav = dir / "second.wav";
    touch(secondWav);
    press();
    EXPECT_FALSE(fs::exists(secondWav)) << "the Stop press deletes at the new path";
    EXPECT_EQ(log.events[4], "save w " + secondWav.string());
    EXPECT_TRUE(fs::exists(dir / "first.txt")) << "the script stays where it was opened";
    EXPECT_FALSE(fs::exists(dir / "second.txt"));
    EXPECT_EQ(made, (std::vector<std::string>{saveDir + "/first.txt", saveDir + "/second.wav"}))
        << "the recording just made is offered as its files were written";
}

TEST_F(RecordingTest, NamesAndFoldersAreTakenAsTheyStand) {
    controls.name = "  ";
    saveDir += "/";
    press();
    EXPECT_TRUE(fs::exists(dir / "  .txt"));
    press();
    EXPECT_EQ(log.events[4], "save w " + dir.string() + "//  .wav");
}

TEST_F(RecordingTest, UnconvertibleDurationKeepsThePreviousEnd) {
    controls.duration = "ten";
    press();
    tickAt(0.5);
    EXPECT_EQ(controls.record, "&Record") << "no end time yet: the first tick ends it";

    controls.duration = "100";
    at(10.0);
    press();
    at(20.0);
    press();
    controls.duration = "";
    at(30.0);
    press();
    tickAt(30.5);
    EXPECT_EQ(controls.remaining, "79") << "counts down to the end of the last good duration";
    tickAt(110.0);
    EXPECT_EQ(controls.record, "&Record");
}

TEST_F(RecordingTest, ZeroOrNegativeDurationEndsAtFirstTick) {
    for (const char* duration : {"0", "-5", " 1e-3 "}) {
        controls.duration = duration;
        press();
        tickAt(clock.now() - kStart + 0.5);
        EXPECT_EQ(controls.record, "&Record") << duration;
    }
}

TEST_F(RecordingTest, ChecksAreCountedAndMarkTheRowBeforeTheCurrentCaption) {
    press();
    at(3.0);
    caption("HI");  // line 1 on display from 300
    at(5.5);
    caption("BYE");  // line 2 replaces it at 550
    controller.cmdCheck_Click();
    controller.cmdCheck_Click();  // the same line again: one mark
    EXPECT_EQ(controls.checks, "2");
    at(7.25);
    eraseDisplayed();
    press();
    EXPECT_EQ(controls.checks, "2") << "kept after the stop";
    EXPECT_EQ(readFile(dir / "untitled.txt"), "300\t550\tHI\t1\r\n550\t725\tBYE\r\n");

    press();
    EXPECT_EQ(controls.checks, "0") << "reset by the next Record";
}

TEST_F(RecordingTest, ClosingTheWindowSavesARunningRecording) {
    controller.Form_Unload();
    EXPECT_TRUE(log.events.empty()) << "nothing to do while idle";

    press();
    at(3.0);
    caption("HELLO");
    at(4.0);
    eraseDisplayed();
    at(6.0);
    controller.Form_Unload();
    EXPECT_EQ(log.events, (std::vector<std::string>{kOpen, kDefaultFormat, kRecord, kStopping,
                                                    "save w " + saveDir + "/untitled.wav",
                                                    "close w ", kStopped}));
    EXPECT_EQ(readFile(dir / "untitled.txt"), "300\t400\tHELLO\r\n");
    EXPECT_EQ(controls.record, "&Record");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecordingTest, MissingSaveFolderIsToldAtTheStop) {
    bool offered = false;
    controller.setStoppedListener([&](const std::string&, const std::string&) { offered = true; });
    saveDir = (dir / "gone").string();
    press();
    EXPECT_TRUE(boxes.shown.empty()) << "the recording goes on; the user is told at the stop";
    EXPECT_EQ(controller.m_nScriptFno, 0);
    controller.cmdCheck_Click();
    EXPECT_EQ(controls.checks, "1");
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& text = boxes.shown[0].text;
    EXPECT_NE(text.find(saveDir + "/untitled.txt"), std::string::npos) << text;
    EXPECT_NE(text.find(std::strerror(ENOENT)), std::string::npos) << text;
    EXPECT_EQ(boxes.shown[0].title, "Cuelark");
    EXPECT_EQ(boxes.shown[0].style & platform::shell::MB_TYPEMASK, platform::shell::MB_OK);
    EXPECT_EQ(log.events[4], "save w " + saveDir + "/untitled.wav") << "the sound still goes";
    EXPECT_FALSE(offered) << "no script, nothing to review";

    press();
    press();
    EXPECT_EQ(boxes.shown.size(), 2u) << "each failed recording is told once";
}

TEST_F(RecordingTest, FailedSoundSaveSaysWhereTheSoundWasKept) {
    mci.saveError = 263;
    mci.saveReply = "kept in '/tmp/cuelark-kept.wav'";
    press();
    tickAt(600.0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& text = boxes.shown[0].text;
    EXPECT_NE(text.find(saveDir + "/untitled.wav"), std::string::npos) << text;
    EXPECT_NE(text.find("/tmp/cuelark-kept.wav"), std::string::npos) << text;
    EXPECT_EQ(log.events.back(), kStopped) << "the sequence still runs to its end";
    EXPECT_EQ(controls.record, "&Record");
}

TEST_F(RecordingTest, SoundThatCouldNotStartIsToldWithItsReason) {
    mci.recordError = 328;
    mci.recordReply = "Cannot record: no capture device";
    press();
    EXPECT_EQ(log.events.size(), 3u) << "the whole start is sent";
    EXPECT_TRUE(boxes.shown.empty());
    mci.saveError = 302;
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("no capture device"), std::string::npos)
        << boxes.shown[0].text;
}

TEST_F(RecordingTest, LostSoundInputIsTold) {
    mci.saveReply = "input lost: the capture device went away";
    press();
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& text = boxes.shown[0].text;
    EXPECT_NE(text.find("the capture device went away"), std::string::npos) << text;
    EXPECT_NE(text.find(saveDir + "/untitled.wav"), std::string::npos) << text;
}

TEST_F(RecordingTest, ScriptThatCannotBeWrittenIsTold) {
    // A full disk: every write to /dev/full fails with ENOSPC.
    fs::create_symlink("/dev/full", dir / "untitled.txt");
    press();
    at(3.0);
    caption("HELLO");
    at(4.0);
    eraseDisplayed();
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& text = boxes.shown[0].text;
    EXPECT_NE(text.find(std::strerror(ENOSPC)), std::string::npos) << text;
    EXPECT_EQ(log.events.back(), kStopped);
    EXPECT_FALSE(files.isOpen(1)) << "the file is closed all the same";
}

TEST_F(RecordingTest, RecordingAcrossMidnightEndsOnTime) {
    // One second before midnight in time of day; the program's clock does
    // not go back to 0 there.
    clock.set(86399.0);
    controls.duration = "10";
    press();
    clock.set(86399.5);
    controller.Timer1_Timer();
    EXPECT_EQ(controls.remaining, "9");
    clock.set(86405.0);
    controller.Timer1_Timer();
    EXPECT_EQ(controls.remaining, "4");
    clock.set(86409.0);
    controller.Timer1_Timer();
    EXPECT_EQ(controls.record, "&Record");
}

}  // namespace
}  // namespace recording
