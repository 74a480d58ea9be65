// A transcript made into captions and played through the script maker gives
// back its own lines and times: the broadcast maker's schedule is checked
// against the program's own decoder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/scc/Scc.h"
#include "tools/broadcastmaker/Schedule.h"
#include "tools/scriptmaker/ScriptMaker.h"

namespace tools::broadcast {
namespace {

struct Row {
    double start = 0.0;  // seconds
    double end = 0.0;
    std::string text;  // Windows-1252
};

class RoundTrip : public ::testing::TestWithParam<Pattern> {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("broadcastmaker_tests_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::vector<Row> play(const std::string& transcript, std::vector<std::string>* warnings,
                          std::vector<platform::scc::CaptionWord>* words = nullptr) {
        platform::Result<std::vector<TranscriptLine>> lines = parseTranscript(transcript, "t.txt");
        EXPECT_TRUE(lines.isOk()) << lines.message();
        platform::Result<Schedule> schedule =
            scheduleCaptions(lines.value(), GetParam(), Align::Centre, "t.txt");
        EXPECT_TRUE(schedule.isOk()) << schedule.message();
        *warnings = schedule.value().warnings;
        if (words) {
            *words = schedule.value().words;
        }
        // Through the file format too, as the station carries it.
        platform::Result<platform::scc::CaptionTrack> track = platform::scc::parseScc(
            platform::scc::formatScc(schedule.value().words), "captions.scc");
        EXPECT_TRUE(track.isOk()) << track.message();
        EXPECT_TRUE(track.value().warnings.empty());
        const std::string path = (dir_ / "script.txt").string();
        platform::Result<ScriptSummary> made = makeScript(track.value(), path);
        EXPECT_TRUE(made.isOk()) << made.message();

        std::ifstream in(path, std::ios::binary);
        std::vector<Row> rows;
        std::string line;
        while (std::getline(in, line)) {
            EXPECT_EQ(line.back(), '\r');
            line.pop_back();
            std::istringstream fields(line);
            std::string start, end, text;
            std::getline(fields, start, '\t');
            std::getline(fields, end, '\t');
            std::getline(fields, text);
            rows.push_back({std::stoi(start) / 100.0, std::stoi(end) / 100.0, text});
        }
        return rows;
    }

    std::filesystem::path dir_;
};

// A script time is floored to the centisecond from the nearest frame.
void expectNear(double scriptSeconds, double transcriptSeconds, const std::string& what) {
    EXPECT_LE(std::abs(scriptSeconds - transcriptSeconds), platform::scc::kFrameSeconds)
        << what << ": " << scriptSeconds << " for " << transcriptSeconds;
}

TEST_P(RoundTrip, EveryLineComesBackWithItsTimes) {
    const std::string transcript =
        "2.5\t5\tGood evening.\n"
        "5\t8.25\tTonight: a caf\xC3\xA9 in Pe\xC3\xB1"
        "afiel|serves \xC2\xBD price cr\xC3\xA8me.\n"
        "10\t12.4\t<i>Rain</i> on the way \xE2\x99\xAA\n"
        "12.4\t15\tThe quick brown fox jumps over the lazy dogs.\n"
        "20\t21.5\tJ\xC3\xA0 bient\xC3\xB4t!\n";
    std::vector<std::string> warnings;
    const std::vector<Row> rows = play(transcript, &warnings);
    EXPECT_TRUE(warnings.empty());
    const std::vector<Row> expected = {
        {2.5, 5, "Good evening."},
        {5, 8.25,
         "Tonight: a caf\xE9 in Pe\xF1"
         "afiel serves \xBD price cr\xE8me."},
        {10, 12.4, "Rain on the way"},
        {12.4, 15, "The quick brown fox jumps over the lazy dogs."},
        {20, 21.5, "J\xE0 bient\xF4t!"},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        expectNear(rows[i].start, expected[i].start, "start of " + expected[i].text);
        expectNear(rows[i].end, expected[i].end, "end of " + expected[i].text);
        EXPECT_EQ(rows[i].text, expected[i].text);
    }
}

TEST_P(RoundTrip, ErasesOnlyWhereThePatternSays) {
    const std::string transcript =
        "2\t4\tOne.\n"
        "4\t6\tTwo.\n"      // replaces One
        "8\t10\tThree.\n";  // after a pause
    std::vector<std::string> warnings;
    std::vector<platform::scc::CaptionWord> words;
    play(transcript, &warnings, &words);
    std::vector<int64_t> erases;
    std::vector<int64_t> ends;
    for (const platform::scc::CaptionWord& w : words) {
        if (w.first == 0x94 && w.second == 0x2C) {
            erases.push_back(w.frame);
        }
        if (w.first == 0x94 && w.second == 0x2F) {
            ends.push_back(w.frame);
        }
    }
    const int64_t at2 = frameAt(2), at4 = frameAt(4), at6 = frameAt(6), at8 = frameAt(8),
                  at10 = frameAt(10);
    // Each caption is shown by a doubled end of caption in either pattern.
    if (GetParam() == Pattern::EraseAndEnd) {
        EXPECT_EQ(ends,
                  (std::vector<int64_t>{at2 + 2, at2 + 3, at4 + 2, at4 + 3, at8 + 2, at8 + 3}));
        EXPECT_EQ(erases, (std::vector<int64_t>{at2, at2 + 1, at4, at4 + 1, at6, at6 + 1, at8,
                                                at8 + 1, at10, at10 + 1}));
    } else {
        EXPECT_EQ(ends, (std::vector<int64_t>{at2, at2 + 1, at4, at4 + 1, at8, at8 + 1}));
        EXPECT_EQ(erases, (std::vector<int64_t>{at6, at6 + 1, at10, at10 + 1}));
    }
}

TEST_P(RoundTrip, TooLittleTimeIsNamedAndKeepsTheOrder) {
    // The first caption cannot be loaded before 0.1 s; the pause after the
    // second is too short to load the third.
    const std::string transcript =
        "0.1\t3\tLoaded late.\n"
        "3\t6\tStays on.\n"
        "6.1\t9\tA long caption that needs time|to load before it shows.\n";
    std::vector<std::string> warnings;
    const std::vector<Row> rows = play(transcript, &warnings);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].rfind("t.txt:1: shown ", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find(" late: not enough time to load it"), std::string::npos);
    EXPECT_EQ(warnings[1],
              "t.txt:2: left on until the next caption: the pause after it is too short to load "
              "the next one");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_GT(rows[0].start, 0.1 + platform::scc::kFrameSeconds);
    expectNear(rows[1].end, 6.1, "the second caption stays until the third");
    expectNear(rows[2].start, 6.1, "the third is on time");
}

INSTANTIATE_TEST_SUITE_P(Patterns, RoundTrip,
                         ::testing::Values(Pattern::EraseAndEnd, Pattern::EndOfCaption),
                         [](const ::testing::TestParamInfo<Pattern>& info) {
                             return info.param == Pattern::EraseAndEnd ? std::string("Edm")
                                                                       : std::string("Eoc");
                         });

TEST(Parity, EveryByteSentHasAnOddNumberOfOnes) {
    for (int b = 0; b < 128; ++b) {
        const uint8_t sent = withOddParity(static_cast<uint8_t>(b));
        int ones = 0;
        for (int bit = 0; bit < 8; ++bit) {
            ones += (sent >> bit) & 1;
        }
        EXPECT_EQ(ones % 2, 1) << b;
        EXPECT_EQ(sent & 0x7F, b);
    }
}

}  // namespace
}  // namespace tools::broadcast
