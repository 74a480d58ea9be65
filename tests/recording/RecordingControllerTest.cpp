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
        dataDir = dir / "home/cuelark";
        dataHome.set((dir / "home").string());
        captions.init(0);
    }
    ~RecordingTest() override {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }
    // Hidden files left in a folder: a journal or a sound not yet saved.
    static std::vector<std::string> hiddenIn(const fs::path& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().filename().string()[0] == '.') {
                names.push_back(it->path().filename().string());
            }
        }
        return names;
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
    fs::path dataDir;
    testing::DataHomeScope dataHome;
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
    EXPECT_EQ(log.events[5], "save w " + saveDir + "/news.wav")
        << "under the name it started with, not a hidden file without a name";
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].text,
              "The Script Name box was empty, so the recording is saved under the name it "
              "started with, 'news'.");
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

TEST_F(RecordingTest, MissingSaveFolderRecordsInTheUsersDataFolder) {
    std::string offered;
    controller.setStoppedListener(
        [&](const std::string& script, const std::string&) { offered = script; });
    saveDir = (dir / "gone").string();
    press();
    EXPECT_TRUE(boxes.shown.empty()) << "the recording goes on; the user is told at the stop";
    ASSERT_EQ(mci.placed.size(), 1u);
    EXPECT_EQ(fs::path(mci.placed[0]).parent_path(), dataDir) << mci.placed[0];
    EXPECT_EQ(mci.keptIn, saveDir) << "a sound whose folder goes is saved in the other";
    at(3.0);
    caption("HELLO");
    at(4.0);
    eraseDisplayed();
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& text = boxes.shown[0].text;
    EXPECT_NE(
        text.find("The save folder '" + saveDir + "' cannot be written (" + std::strerror(ENOENT) +
                  "), so this recording was made in '" + dataDir.string() + "'."),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("so it is written to '" + (dataDir / "untitled.txt").string() + "'"),
              std::string::npos)
        << text;
    EXPECT_EQ(readFile(dataDir / "untitled.txt"), "300\t400\tHELLO\r\n");
    EXPECT_EQ(log.events[4], "save w " + saveDir + "/untitled.wav") << "the sound still goes";
    EXPECT_TRUE(hiddenIn(dataDir).empty()) << "the journal goes once all is saved";
    EXPECT_EQ(offered, (dataDir / "untitled.txt").string())
        << "the script is offered where it went";

    press();
    press();
    EXPECT_EQ(boxes.shown.size(), 2u) << "each recording is told once";
    EXPECT_TRUE(fs::exists(dataDir / "untitled (2).txt")) << "never over an older script";
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

TEST_F(RecordingTest, AGoodStopLeavesOnlyTheTwoFiles) {
    press();
    ASSERT_EQ(mci.placed.size(), 1u);
    EXPECT_EQ(fs::path(mci.placed[0]).parent_path(), dir) << "the sound is made beside its name";
    EXPECT_EQ(fs::path(mci.placed[0]).filename().string().rfind(".untitled.", 0), 0u);
    EXPECT_EQ(mci.keptIn, dataDir.string());
    EXPECT_EQ(hiddenIn(dir).size(), 1u) << "the journal, while recording";
    at(3.0);
    caption("HELLO");
    at(4.0);
    eraseDisplayed();
    press();
    EXPECT_TRUE(hiddenIn(dir).empty());
    EXPECT_EQ(readFile(dir / "untitled.txt"), "300\t400\tHELLO\r\n");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecordingTest, AScriptThatCannotBeWrittenKeepsEveryRow) {
    // A full disk: every write to /dev/full fails with ENOSPC.
    fs::create_symlink("/dev/full", dir / "untitled.txt");
    press();
    at(3.0);
    caption("HELLO");
    at(4.0);
    caption("AGAIN");
    controller.cmdCheck_Click();
    at(5.0);
    eraseDisplayed();
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The script could not be written to '" + saveDir +
                                       "/untitled.txt' (" + std::strerror(ENOSPC) +
                                       "). Its 2 rows are saved in '" +
                                       (dataDir / "untitled.txt").string() + "' instead.");
    EXPECT_EQ(readFile(dataDir / "untitled.txt"), "300\t400\tHELLO\t1\r\n400\t500\tAGAIN\r\n");
    EXPECT_EQ(log.events.back(), kStopped);
    EXPECT_FALSE(files.isOpen(1)) << "the file is closed all the same";
    EXPECT_TRUE(hiddenIn(dir).empty());

    // Nowhere else to go (no data folder can be made under a device): the
    // journal stays for the next start.
    dataHome.set("/dev/null/home");
    boxes.shown.clear();
    press();
    at(3.0);
    caption("KEPT");
    at(4.0);
    eraseDisplayed();
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::vector<std::string> left = hiddenIn(dir);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("Its 1 row is kept in '" + (dir / left[0]).string() +
                                       "'; Cuelark writes the script from there the next time "
                                       "it starts."),
              std::string::npos)
        << boxes.shown[0].text;
}

TEST_F(RecordingTest, AScriptFolderDeletedWhileRecordingKeepsEveryRow) {
    saveDir = (dir / "evening").string();
    fs::create_directory(saveDir);
    press();
    at(3.0);
    caption("HELLO");
    at(4.0);
    eraseDisplayed();
    fs::remove_all(saveDir);
    at(5.0);
    caption("STILL HERE");
    at(6.0);
    eraseDisplayed();
    press();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("(its folder was deleted during the recording). Its 2 rows "
                                       "are saved in '" +
                                       (dataDir / "untitled.txt").string() + "' instead."),
              std::string::npos)
        << boxes.shown[0].text;
    EXPECT_EQ(readFile(dataDir / "untitled.txt"), "300\t400\tHELLO\r\n500\t600\tSTILL HERE\r\n");
}

TEST_F(RecordingTest, ClosingWithAnEmptyNameSavesUnderTheStartName) {
    controls.name = "kitchen";
    press();
    at(3.0);
    caption("HELLO");
    at(4.0);
    eraseDisplayed();
    controls.name = "";
    touch(dir / "kitchen.wav");
    controller.Form_Unload();
    EXPECT_EQ(log.events[4], "save w " + saveDir + "/kitchen.wav");
    EXPECT_FALSE(fs::exists(dir / "kitchen.wav")) << "deleted before saving, as a Stop press";
    EXPECT_FALSE(fs::exists(dir / ".wav"));
    EXPECT_EQ(readFile(dir / "kitchen.txt"), "300\t400\tHELLO\r\n");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "The Script Name box was empty, so the recording is saved under the name it "
              "started with, 'kitchen'.");
}

TEST_F(RecordingTest, SoundThatStopsBeingRecordedIsToldAtOnce) {
    press();
    tickAt(0.5);
    mci.captureProblem = "The sound is no longer being recorded: the disk holding '/x' is full.";
    tickAt(1.0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, mci.captureProblem.empty() ? boxes.shown[0].text : "");
    EXPECT_EQ(boxes.shown[0].text.rfind("The sound is no longer being recorded", 0), 0u);
    EXPECT_EQ(controls.record, "&Stop") << "the script goes on being recorded";
    tickAt(1.5);
    EXPECT_EQ(boxes.shown.size(), 1u) << "told once";
}

TEST_F(RecordingTest, EndingTheProgramSavesWithoutAWord) {
    controls.name = "";
    controller.endSession();
    EXPECT_TRUE(log.events.empty()) << "nothing to do while idle";
    controls.name = "late";
    press();
    controls.name = "";
    controller.endSession();
    EXPECT_EQ(log.events[4], "save w " + saveDir + "/late.wav");
    EXPECT_TRUE(boxes.shown.empty()) << "nobody is there to answer a box";
    EXPECT_EQ(controls.record, "&Record");
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
