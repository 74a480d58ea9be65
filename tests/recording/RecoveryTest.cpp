// Recordings cut off by the end of the program, finished at the next start:
// the sound with a header that fits its length under its final name, the
// script from the journal, newer files of the same names left alone.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/TempWavFile.h"
#include "recording/JournalText.h"
#include "recording/RecordingJournal.h"
#include "recording/Recovery.h"
#include "tests/support/TempDir.h"

namespace recording {
namespace {

using testsupport::readFile;
using testsupport::writeFile;

constexpr int kRate = 8000;

class Recovery : public ::testing::Test {
  protected:
    // What a program killed mid-recording leaves: a journal with two rows and
    // a check, the sound's file whose header still says it is empty, and the
    // script file the start truncated.
    void leaveRecording(double seconds) {
        auto journal = RecordingJournal::create(dir.path(), "news");
        ASSERT_TRUE(journal) << journal.message();
        RecordingJournal& j = *journal.value();
        j.setDestinations(dir.file("news.wav"), dir.file("news.txt"));
        j.rowCommitted("120\t300\tFIRST");
        j.checked(2);
        j.rowCommitted("300\t410\tSECOND");
        j.rowCommitted("4");  // torn by the kill: never complete
        journalPath = j.path();
        soundPath = j.soundPath();
        writeFile(dir.file("news.txt"), "");
        {
            auto wav = platform::sound::TempWavFile::createAt({kRate, 1, 16}, soundPath);
            ASSERT_TRUE(wav) << wav.message();
            std::vector<float> ramp(static_cast<std::size_t>(seconds * kRate));
            for (std::size_t i = 0; i < ramp.size(); ++i) {
                ramp[i] = static_cast<float>(i % 100) / 200.0f;
            }
            ASSERT_TRUE(wav.value()->append(ramp.data(), ramp.size()));
        }
        // The header as the first write left it, and half a frame more.
        std::fstream f(soundPath, std::ios::in | std::ios::out | std::ios::binary);
        const char zero[4] = {};
        f.seekp(4);
        f.write(zero, 4);
        std::string head(512, '\0');
        f.seekg(0);
        f.read(head.data(), 512);
        f.seekp(static_cast<std::streamoff>(head.find("data") + 4));
        f.write(zero, 4);
        f.seekp(0, std::ios::end);
        f.write("x", 1);
    }

    static sf_count_t framesOf(const std::string& path, std::vector<short>* samples = nullptr) {
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        if (f == nullptr) {
            return -1;
        }
        if (samples != nullptr) {
            samples->resize(static_cast<std::size_t>(info.frames));
            sf_readf_short(f, samples->data(), info.frames);
        }
        sf_close(f);
        return info.frames;
    }

    testsupport::TempDir dir;
    std::string journalPath;
    std::string soundPath;
};

TEST_F(Recovery, SoundAndScriptGetTheirNamesAndTheJournalGoes) {
    leaveRecording(3.0);
    const auto recovered = recoverInterrupted({dir.path(), dir.path() + "/"});
    ASSERT_EQ(recovered.size(), 1u) << "one folder given twice is looked at once";
    const RecoveredRecording& r = recovered[0];
    EXPECT_TRUE(r.problems.empty()) << r.problems[0];
    EXPECT_EQ(r.sound, dir.file("news.wav"));
    EXPECT_DOUBLE_EQ(r.seconds, 3.0);
    std::vector<short> samples;
    EXPECT_EQ(framesOf(r.sound, &samples), 3 * kRate) << "the half frame is cut off";
    EXPECT_EQ(samples[150], static_cast<short>(50 / 200.0 * 32767 + 0.5));
    EXPECT_EQ(readFile(dir.file("news.txt")), "120\t300\tFIRST\t1\r\n300\t410\tSECOND\r\n");
    EXPECT_EQ(r.rows, 2u);
    EXPECT_EQ(r.marked, 1u);
    EXPECT_FALSE(testsupport::exists(journalPath));
    EXPECT_FALSE(testsupport::exists(soundPath));

    const std::string told = recoveryMessage(recovered);
    EXPECT_NE(told.find("Sound: " + dir.file("news.wav") + " (3.0 seconds)"), std::string::npos)
        << told;
    EXPECT_NE(told.find("Script: " + dir.file("news.txt") + " (2 rows, 1 marked)"),
              std::string::npos)
        << told;
    EXPECT_TRUE(recoverInterrupted({dir.path()}).empty()) << "nothing is left to recover";
    EXPECT_EQ(recoveryMessage({}), "");
}

TEST_F(Recovery, NewerFilesOfTheSameNamesAreLeftAlone) {
    leaveRecording(1.0);
    writeFile(dir.file("news.wav"), "a newer recording");
    writeFile(dir.file("news.txt"), "1\t2\tA NEWER SCRIPT\r\n");
    const auto recovered = recoverInterrupted({dir.path()});
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_EQ(recovered[0].sound, dir.file("news (recovered).wav"));
    EXPECT_EQ(recovered[0].script, dir.file("news (recovered).txt"));
    EXPECT_EQ(readFile(dir.file("news.wav")), "a newer recording");
    EXPECT_EQ(readFile(dir.file("news.txt")), "1\t2\tA NEWER SCRIPT\r\n");
    EXPECT_EQ(framesOf(dir.file("news (recovered).wav")), kRate);
    EXPECT_EQ(readFile(dir.file("news (recovered).txt")),
              "120\t300\tFIRST\t1\r\n300\t410\tSECOND\r\n");
    const std::string told = recoveryMessage(recovered);
    EXPECT_NE(told.find("'news.wav' there is a newer file"), std::string::npos) << told;
}

TEST_F(Recovery, AScriptCutShortByTheStopIsCompleted) {
    // The stop wrote part of the script and failed; the sound was saved.
    leaveRecording(1.0);
    ASSERT_EQ(std::rename(soundPath.c_str(), dir.file("news.wav").c_str()), 0);
    writeFile(dir.file("news.txt"), "120\t300\tFIR");
    const auto recovered = recoverInterrupted({dir.path()});
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_EQ(recovered[0].sound, "");
    EXPECT_EQ(recovered[0].script, dir.file("news.txt"));
    EXPECT_EQ(readFile(dir.file("news.txt")), "120\t300\tFIRST\t1\r\n300\t410\tSECOND\r\n");
    EXPECT_EQ(recoveryMessage(recovered).find("Sound:"), std::string::npos);
}

TEST_F(Recovery, ARecordingStillBeingMadeIsNotTouched) {
    auto running = RecordingJournal::create(dir.path(), "live");
    ASSERT_TRUE(running);
    writeFile(running.value()->soundPath(), "the sound so far");
    EXPECT_TRUE(recoverInterrupted({dir.path()}).empty());
    EXPECT_TRUE(testsupport::exists(running.value()->path()));
    EXPECT_EQ(readFile(running.value()->soundPath()), "the sound so far");
}

TEST_F(Recovery, AJournalCutBeforeItsFirstLineStillGivesTheSound) {
    leaveRecording(0.5);
    writeFile(journalPath, "CUELARK-JOU");
    std::remove(dir.file("news.txt").c_str());
    const auto recovered = recoverInterrupted({dir.path()});
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_EQ(recovered[0].sound, dir.file("news.wav")) << "named after its journal";
    EXPECT_EQ(recovered[0].script, "");
    EXPECT_FALSE(testsupport::exists(journalPath));
}

}  // namespace
}  // namespace recording
