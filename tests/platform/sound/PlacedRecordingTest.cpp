// A recording made beside its final name: readable while it is made, never
// deleted by the device, and never lost when its file or folder fails.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sound/BackgroundMoves.h"
#include "platform/sound/CardFeedInput.h"
#include "platform/sound/MciErrors.h"
#include "platform/sound/MciInterpreter.h"
#include "tests/platform/sound/SoundTestKit.h"

namespace ps = platform::sound;
namespace fs = std::filesystem;

namespace {

class Placed : public ::testing::Test {
  protected:
    Placed() {
        run("open new type waveaudio alias w");
        run("set w samplespersec 8000 channels 1 bitspersample 16");
    }
    ps::MciReply run(const std::string& c) { return driver.execute(c); }
    // Records into folder/.NAME.recording.wav, keeping failed saves in keep.
    void record(const std::string& folder, const std::string& keep,
                const std::string& name = "take") {
        hidden = folder + "/." + name + ".recording.wav";
        driver.recordInto({hidden, keep, {}});
        ASSERT_EQ(run("record w overwrite").code, 0u);
    }
    void pumpFor(double seconds) {
        for (double t = 0; t < seconds - 1e-9; t += 0.1) {
            clock.clock.advance(0.1);
            driver.pumpAll();
        }
    }

    soundtest::RampFeed feed;
    ps::MciInterpreter driver{[this]() -> platform::Result<std::unique_ptr<ps::WaveInput>> {
        return std::unique_ptr<ps::WaveInput>(std::make_unique<ps::CardFeedInput>(feed));
    }};
    soundtest::ClockScope clock{100.0};
    soundtest::ScratchDir dir;
    soundtest::ScratchDir other;
    std::string hidden;
};

TEST_F(Placed, ReadableWhileMadeAndLeftBehindUnsaved) {
    record(dir.path, dir.path);
    pumpFor(5.0);
    // What a player finds at any moment: the header is at most two seconds behind.
    fs::copy_file(hidden, dir / "snapshot.wav");
    const soundtest::Decoded now = soundtest::decode(dir / "snapshot.wav");
    ASSERT_TRUE(now.ok);
    EXPECT_GE(now.info.frames, 3 * 8000);
    EXPECT_LE(now.info.frames, 5 * 8000);
    ASSERT_EQ(run("close w ").code, 0u);
    EXPECT_NEAR(soundtest::decode(hidden).info.frames, 5 * 8000, 1) << "a placed recording stays";

    run("open new type waveaudio alias w");
    run("set w samplespersec 8000 channels 1 bitspersample 16");
    record(dir.path, dir.path, "second");
    pumpFor(1.0);
    ASSERT_EQ(run("save w " + (dir / "take.wav")).code, 0u);
    EXPECT_FALSE(fs::exists(hidden)) << "saved by a rename";
    EXPECT_NEAR(soundtest::decode(dir / "take.wav").info.frames, 8000, 1);
}

TEST_F(Placed, OntoAnotherFileSystemTheCopyRunsWhileTheProgramGoesOn) {
    soundtest::ScratchDir shm("/dev/shm");
    struct stat a {
    }, b{};
    ASSERT_EQ(stat(shm.path.c_str(), &a), 0);
    ASSERT_EQ(stat(dir.path.c_str(), &b), 0);
    ASSERT_NE(a.st_dev, b.st_dev) << "needs /dev/shm on a file system of its own";
    const std::string journal = dir / ".take.recording.journal";
    std::ofstream(journal) << "CUELARK-JOURNAL 1\n";
    hidden = dir / ".take.recording.wav";
    driver.recordInto({hidden, other.path, journal});
    ASSERT_EQ(run("record w overwrite").code, 0u);
    pumpFor(3.0);
    ASSERT_EQ(run("save w " + (shm / "take.wav")).code, 0u);
    ASSERT_EQ(run("close w ").code, 0u);
    ps::waitForBackgroundMoves();
    EXPECT_NEAR(soundtest::decode(shm / "take.wav").info.frames, 3 * 8000, 1);
    EXPECT_FALSE(fs::exists(hidden)) << "deleted once the copy is complete";
    EXPECT_FALSE(fs::exists(journal)) << "and its journal with it";
    EXPECT_EQ(shm.fileCount(), 1u) << "no partial copy left";
}

TEST_F(Placed, AFolderThatCannotTakeItKeepsItUnderItsNameWhereItWasMade) {
    record(dir.path, dir.path);
    pumpFor(1.0);
    const std::string wanted = dir / "gone/take.wav";
    const ps::MciReply r = run("save w " + wanted);
    EXPECT_EQ(r.code, ps::kMciFileNotSaved);
    EXPECT_EQ(r.text, "The sound could not be saved as '" + wanted +
                          "' (No such file or directory). It is saved as '" + (dir / "take.wav") +
                          "' instead (1.0 seconds).");
    EXPECT_NEAR(soundtest::decode(dir / "take.wav").info.frames, 8000, 1);
}

TEST_F(Placed, AFolderDeletedWhileRecordingIsCopiedOutOfTheOpenFile) {
    fs::create_directory(dir / "sub");
    record(dir / "sub", other.path);
    pumpFor(1.0);
    fs::remove_all(dir / "sub");
    pumpFor(1.0);
    const ps::MciReply r = run("save w " + (dir / "sub/take.wav"));
    EXPECT_EQ(r.code, ps::kMciFileNotSaved);
    EXPECT_NE(r.text.find("It is saved as '" + (other / "take.wav") + "' instead (2.0 seconds)"),
              std::string::npos)
        << r.text;
    const soundtest::Decoded d = soundtest::decode(other / "take.wav");
    ASSERT_TRUE(d.ok);
    EXPECT_NEAR(d.info.frames, 2 * 8000, 1);
}

TEST_F(Placed, AFileThatCanGrowNoMoreEndsCaptureAtOnceAndKeepsWhatItHolds) {
    // The same failed write as a full disk, without one: the file size limit.
    struct rlimit was {};
    getrlimit(RLIMIT_FSIZE, &was);
    struct rlimit small = was;
    small.rlim_cur = 3 * 16000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    record(dir.path, dir.path);
    pumpFor(4.0);
    setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, oldHandler);

    const std::string told = driver.takeCaptureProblem();
    EXPECT_EQ(told.rfind("The sound is no longer being recorded: '" + hidden +
                             "' cannot be written (File too large).",
                         0),
              0u)
        << told;
    EXPECT_EQ(driver.takeCaptureProblem(), "") << "told once";
    const std::size_t rendered = feed.rendered;
    pumpFor(2.0);
    EXPECT_EQ(feed.rendered, rendered) << "nothing more is captured to wait in memory";
    EXPECT_FALSE(driver.anyRecording());

    const ps::MciReply r = run("save w " + (dir / "take.wav"));
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.text.rfind("cut short: '" + hidden + "' cannot be written", 0), 0u) << r.text;
    const soundtest::Decoded d = soundtest::decode(dir / "take.wav");
    ASSERT_TRUE(d.ok);
    EXPECT_GE(d.info.frames, 2 * 8000) << "what fit in the file is saved";
    EXPECT_LE(d.info.frames, 3 * 8000);
    EXPECT_EQ(soundtest::readFmt(dir / "take.wav").riffEnd, fs::file_size(dir / "take.wav"));
}

}  // namespace
