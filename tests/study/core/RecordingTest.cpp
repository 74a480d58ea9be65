// A recording as the Review window uses it: edits saved and read back, the
// backup of the recorded script, saves that must not lose anything, and the
// sound read a span at a time from every format the recorder writes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "study/model/Recording.h"
#include "study/sound/WaveSummary.h"
#include "tests/study/StudyTestKit.h"
#include "tests/support/ReadOnlyFolder.h"
#include "tests/support/TempDir.h"

namespace study {
namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

const std::string kScript =
    "300\t550\tHELLO\t1\r\n550\t725\tHOW ARE YOU?\r\nthis line is broken\r\n910\t980\tFINE.\r\n";

std::unique_ptr<Recording> openOk(const std::string& path) {
    platform::Result<std::unique_ptr<Recording>> r = Recording::open(path);
    EXPECT_TRUE(r.isOk()) << r.message();
    return r ? std::move(r.value()) : nullptr;
}

TEST(Recording, EditsAreSavedAndReadBackWithABackupOfTheRecordedScript) {
    TempDir dir;
    const std::string path = dir.file("news.txt");
    writeFile(path, kScript);
    auto rec = openOk(path);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->name(), "news");
    EXPECT_EQ(rec->wavPath(), dir.file("news.wav"));
    ASSERT_EQ(rec->rowCount(), 3u);
    ASSERT_EQ(rec->problems().size(), 1u);
    EXPECT_EQ(rec->problems()[0].lineNumber, 3);

    // Nothing changed: nothing is written, not even a backup.
    EXPECT_FALSE(rec->modified());
    ASSERT_TRUE(rec->save().isOk());
    EXPECT_FALSE(testsupport::exists(dir.file("news.txt.bak")));

    rec->moveOffset(-3);    // every row 300 ms earlier
    rec->moveStart(1, -1);  // then row 2 starts 50 ms sooner still
    rec->moveEnd(2, 2);     // and row 3 ends 100 ms later
    rec->setMarked(0, false);
    rec->setMarked(2, true);
    EXPECT_EQ(rec->offsetCs(), -30);
    EXPECT_TRUE(rec->modified());
    ASSERT_TRUE(rec->save().isOk());
    EXPECT_FALSE(rec->modified());
    EXPECT_EQ(readFile(path),
              "270\t520\tHELLO\r\n515\t695\tHOW ARE YOU?\r\nthis line is broken\r\n"
              "880\t960\tFINE.\t1\r\n");
    EXPECT_EQ(readFile(dir.file("news.txt.bak")), kScript);

    // A second save keeps the backup as recorded; moving back restores the bytes.
    rec->moveOffset(3);
    rec->moveStart(1, 1);
    rec->moveEnd(2, -2);
    rec->setMarked(0, true);
    rec->setMarked(2, false);
    ASSERT_TRUE(rec->save().isOk());
    EXPECT_EQ(readFile(path), kScript);
    EXPECT_EQ(readFile(dir.file("news.txt.bak")), kScript);
}

TEST(Recording, EdgesNeverCrossAndTheOffsetMovesEveryRow) {
    TempDir dir;
    writeFile(dir.file("a.txt"), "100\t120\tx\r\n200\t300\ty\r\n");
    auto rec = openOk(dir.file("a.txt"));
    ASSERT_TRUE(rec);
    rec->moveStart(0, 10);
    EXPECT_EQ(rec->row(0).startCs, 120);
    rec->moveEnd(0, -3);
    EXPECT_EQ(rec->row(0).endCs, 120);
    rec->moveOffset(2);
    EXPECT_EQ(rec->row(0).startCs, 140);
    EXPECT_EQ(rec->row(1).startCs, 220);
    EXPECT_EQ(rec->row(1).endCs, 320);
}

TEST(Recording, ASaveThatCannotBeDoneLosesNothing) {
    TempDir dir;
    const std::string path = dir.file("news.txt");
    writeFile(path, kScript);
    auto rec = openOk(path);
    ASSERT_TRUE(rec);
    rec->setMarked(1, true);

    {
        testsupport::ReadOnlyFolder readOnly(dir.path());
        const platform::Status status = rec->save();
        EXPECT_FALSE(status.isOk());
        EXPECT_NE(status.message().find("Permission denied"), std::string::npos)
            << status.message();
    }
    EXPECT_EQ(readFile(path), kScript);
    EXPECT_TRUE(rec->modified());

    // A new recording of the same name was made meanwhile: it is not overwritten.
    const std::string newer = "0\t100\tA NEW RECORDING\r\n";
    writeFile(path, newer);
    const platform::Status status = rec->save();
    EXPECT_FALSE(status.isOk());
    EXPECT_NE(status.message().find("changed on disk"), std::string::npos) << status.message();
    EXPECT_EQ(readFile(path), newer);
    EXPECT_FALSE(testsupport::exists(dir.file("news.txt.bak")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file is left";
}

TEST(Recording, AMissingScriptIsAnErrorAMissingWavIsNot) {
    TempDir dir;
    platform::Result<std::unique_ptr<Recording>> none = Recording::open(dir.file("gone.txt"));
    ASSERT_FALSE(none.isOk());
    EXPECT_NE(none.message().find("gone.txt"), std::string::npos);

    writeFile(dir.file("quiet.txt"), kScript);
    auto rec = openOk(dir.file("quiet.txt"));
    ASSERT_TRUE(rec);
    EXPECT_FALSE(rec->hasSound());
    EXPECT_EQ(rec->noSoundReason(), "There is no sound file '" + dir.file("quiet.wav") + "'.");
    EXPECT_FALSE(rec->playable(0));
    std::vector<int16_t> out;
    EXPECT_FALSE(rec->readSpan(rec->spanOf(0, {}), out).isOk());

    writeFile(dir.file("junk.txt"), kScript);
    writeFile(dir.file("junk.wav"), "not a wav at all");
    auto junk = openOk(dir.file("junk.txt"));
    ASSERT_TRUE(junk);
    EXPECT_FALSE(junk->hasSound());
    EXPECT_EQ(junk->noSoundReason().rfind("Cannot read the sound file '" + dir.file("junk.wav"), 0),
              0u);
}

// Every format the recorder writes: a padded span read back holds exactly
// those frames of the file, as 16-bit and as float.
TEST(Recording, SpansAreReadFromEveryRecorderFormat) {
    struct Format {
        int rate;
        int channels;
        int type;
    };
    const Format formats[] = {
        {8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8},   {11025, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
        {22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16},  {44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {44100, 2, SF_FORMAT_RF64 | SF_FORMAT_PCM_16},
    };
    for (const Format& f : formats) {
        TempDir dir;
        const int64_t frames = f.rate * 12;
        const std::vector<float> sound = studytest::chirp(f.rate, f.channels, frames);
        ASSERT_TRUE(studytest::writeWav(dir.file("r.wav"), f.rate, f.channels, f.type, sound));
        writeFile(dir.file("r.txt"), "300\t550\tA\r\n1190\t1300\tB\r\n1200\t1250\tC\r\n");
        auto rec = openOk(dir.file("r.txt"));
        ASSERT_TRUE(rec && rec->hasSound()) << f.rate;
        EXPECT_EQ(rec->soundInfo()->frames, frames);
        EXPECT_EQ(rec->soundInfo()->durationCs(), 1200);

        const FrameSpan span = rec->spanOf(0, {50, 350});
        EXPECT_EQ(span.first, 2950 * int64_t{f.rate} / 1000);
        EXPECT_EQ(span.count, 5850 * int64_t{f.rate} / 1000 - span.first);
        std::vector<float> asFloat;
        std::vector<int16_t> asInt;
        ASSERT_TRUE(rec->readSpan(span, asFloat).isOk());
        ASSERT_TRUE(rec->readSpan(span, asInt).isOk());
        ASSERT_EQ(asFloat.size(), static_cast<std::size_t>(span.count * f.channels));
        ASSERT_EQ(asInt.size(), asFloat.size());
        const double step =
            (f.type & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 ? 1.0 / 128 : 1.0 / 32768;
        double worst = 0;
        for (std::size_t i = 0; i < asFloat.size(); ++i) {
            const float expected = sound[static_cast<std::size_t>(span.first * f.channels) + i];
            worst = std::max(worst, std::abs(double{asFloat[i]} - expected));
            worst = std::max(worst, std::abs(asInt[i] / 32768.0 - expected));
        }
        EXPECT_LE(worst, step) << f.rate << " Hz";

        // A WAV shorter than its script: row 2 is cut at the end, row 3 starts there.
        const FrameSpan cut = rec->spanOf(1, {50, 350});
        EXPECT_TRUE(cut.playable && cut.cutShort);
        EXPECT_EQ(cut.first + cut.count, frames);
        EXPECT_TRUE(rec->playable(1));
        EXPECT_FALSE(rec->playable(2));
        ASSERT_TRUE(rec->readSpan(cut, asInt).isOk());
        EXPECT_EQ(asInt.size(), static_cast<std::size_t>(cut.count * f.channels));
    }
}

TEST(WaveSummary, EachColumnHoldsTheLowestAndHighestSampleOfItsStretch) {
    // Stereo: the left channel rises 0..0.99, the right is its negation.
    std::vector<float> samples;
    for (int i = 0; i < 100; ++i) {
        samples.push_back(i / 100.0F);
        samples.push_back(-i / 100.0F);
    }
    const std::vector<WaveColumn> columns = summarise(samples.data(), 100, 2, 4);
    ASSERT_EQ(columns.size(), 4u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(columns[c].high, (c * 25 + 24) / 100.0F);
        EXPECT_FLOAT_EQ(columns[c].low, -(c * 25 + 24) / 100.0F);
    }
    EXPECT_EQ(summarise(samples.data(), 3, 2, 10).size(), 3u);
    EXPECT_TRUE(summarise(samples.data(), 0, 2, 10).empty());
}

}  // namespace
}  // namespace study
