#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/scc/Scc.h"

namespace platform::scc {
namespace {

CaptionTrack parseOk(const std::string& text) {
    Result<CaptionTrack> r = parseScc(text, "captions.scc");
    EXPECT_TRUE(r.isOk()) << r.message();
    return r.isOk() ? r.value() : CaptionTrack{};
}

TEST(SccReader, WordsFollowTheirLineTimecodeOneFrameEach) {
    const CaptionTrack t = parseOk(
        "Scenarist_SCC V1.0\n"
        "\n"
        "00:00:01:00\t9420 9420 94ae\n"
        "\n"
        "00:01:00;02\tC8C9 942C\n");
    ASSERT_EQ(t.words.size(), 5u);
    EXPECT_TRUE(t.warnings.empty());
    const int64_t frames[] = {30, 31, 32, 1800, 1801};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(t.words[i].frame, frames[i]) << i;
    }
    EXPECT_EQ(t.words[2].first, 0x94);
    EXPECT_EQ(t.words[2].second, 0xAE);
    EXPECT_EQ(t.words[3].first, 0xC8);
    EXPECT_EQ(t.words[3].second, 0xC9);
}

TEST(SccReader, AcceptsCrLfBomBlanksAndTrailingSpace) {
    const CaptionTrack t = parseOk(
        "\xEF\xBB\xBFScenarist_SCC V1.0  \r\n"
        "\r\n"
        "   \t \r\n"
        "00:00:00:10  9420\t 942f  \r\n"
        "00:00:00:20 80 80\r\n");  // "80" is not a word: the line is skipped
    ASSERT_EQ(t.words.size(), 2u);
    EXPECT_EQ(t.words[0].frame, 10);
    EXPECT_EQ(t.words[1].frame, 11);
    EXPECT_EQ(t.words[1].second, 0x2F);
    ASSERT_EQ(t.warnings.size(), 1u);
    EXPECT_EQ(t.warnings[0], "captions.scc:5: bad hex word '80'");
}

TEST(SccReader, BadLinesAreSkippedAndNamed) {
    const CaptionTrack t = parseOk(
        "Scenarist_SCC V1.0\n"
        "00:00:01:00\t9420 9420\n"    // 2: fine, frames 30 and 31
        "00:00:02:00\t9420 zz80\n"    // 3: bad word
        "00:00:03:30\t9420\n"         // 4: frame count
        "00:61:00:00\t9420\n"         // 5: minutes
        "00:01:00;00\t9420\n"         // 6: a dropped number
        "0:00:04:00\t9420\n"          // 7: malformed
        "00:00:05:00\n"               // 8: no words
        "00:00:01:01\t8080\n"         // 9: frame 31 is taken
        "00:00:00:29\t8080 8080\n"    // 10: runs into frame 30
        "00:00:00:28\t8080 8080\n"    // 11: frames 28, 29: free
        "00:00:06:00\t942c\n"         // 12: fine
        "23:59:59;29\t942c 942c\n");  // 13: past the end of the day
    const std::vector<std::string> expected = {
        "captions.scc:3: bad hex word 'zz80'",
        "captions.scc:4: frame count 30 or more in timecode '00:00:03:30'",
        "captions.scc:5: timecode out of range '00:61:00:00'",
        "captions.scc:6: timecode '00:01:00;00' names a frame that drop-frame counting skips",
        "captions.scc:7: bad timecode '0:00:04:00'",
        "captions.scc:8: no hex words after timecode '00:00:05:00'",
        "captions.scc:9: timecode '00:00:01:01' goes back over words already placed up to "
        "00:00:01:01",
        "captions.scc:10: timecode '00:00:00:29' goes back over words already placed up to "
        "00:00:01:01",
        "captions.scc:13: the words after timecode '23:59:59;29' run past 23:59:59;29",
    };
    EXPECT_EQ(t.warnings, expected);
    std::vector<int64_t> frames;
    for (const CaptionWord& w : t.words) {
        frames.push_back(w.frame);
    }
    EXPECT_EQ(frames, (std::vector<int64_t>{28, 29, 30, 31, 180}));
}

TEST(SccReader, MissingHeaderOrNoUsableLineIsAnError) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "x.scc: not an SCC file: its first line is not \"Scenarist_SCC V1.0\""},
        {"00:00:01:00\t9420\n",
         "x.scc: not an SCC file: its first line is not \"Scenarist_SCC V1.0\""},
        {"\nScenarist_SCC V1.0\n00:00:01:00\t9420\n",
         "x.scc: not an SCC file: its first line is not \"Scenarist_SCC V1.0\""},
        {"Scenarist_SCC V1.0\n", "x.scc: no usable caption line"},
        {"Scenarist_SCC V1.0\n\n00:00:01:00\tnope\n", "x.scc: no usable caption line"},
    };
    for (const auto& c : cases) {
        const Result<CaptionTrack> r = parseScc(c.text, "x.scc");
        ASSERT_FALSE(r.isOk()) << c.text;
        EXPECT_EQ(r.message(), c.message);
    }
}

TEST(SccReader, FormattedWordsReadBackUnchanged) {
    std::vector<CaptionWord> words;
    // Runs that straddle a dropped minute start and a ten-minute mark.
    for (int64_t start : {0, 1797, 17980, 107890}) {
        for (int64_t k = 0; k < 5; ++k) {
            words.push_back({start + k, static_cast<uint8_t>(0x80 + k), static_cast<uint8_t>(k)});
        }
    }
    for (const bool drop : {true, false}) {
        const std::string text = formatScc(words, drop);
        const CaptionTrack t = parseOk(text);
        EXPECT_TRUE(t.warnings.empty()) << text;
        ASSERT_EQ(t.words.size(), words.size());
        for (size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(t.words[i].frame, words[i].frame);
            EXPECT_EQ(t.words[i].first, words[i].first);
            EXPECT_EQ(t.words[i].second, words[i].second);
        }
    }
    EXPECT_EQ(formatScc({{1, 0x94, 0x2c}, {2, 0x94, 0x2c}, {40, 0x80, 0x80}}),
              "Scenarist_SCC V1.0\n\n00:00:00;01\t942c 942c\n\n00:00:01;10\t8080\n");
}

TEST(SccReader, ReadsAFileAndNamesOneItCannotRead) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("scc_tests_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "captions.scc").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << "Scenarist_SCC V1.0\n\n00:00:00:02\t9420 zz\n00:00:00:05\t942f\n";
    }
    const Result<CaptionTrack> ok = readSccFile(path);
    ASSERT_TRUE(ok.isOk()) << ok.message();
    ASSERT_EQ(ok.value().words.size(), 1u);
    EXPECT_EQ(ok.value().words[0].frame, 5);
    ASSERT_EQ(ok.value().warnings.size(), 1u);
    EXPECT_EQ(ok.value().warnings[0], path + ":3: bad hex word 'zz'");

    const Result<CaptionTrack> missing = readSccFile((dir / "none.scc").string());
    ASSERT_FALSE(missing.isOk());
    EXPECT_NE(missing.message().find((dir / "none.scc").string()), std::string::npos);
    EXPECT_NE(missing.message().find("No such file or directory"), std::string::npos);

    const Result<CaptionTrack> folder = readSccFile(dir.string());
    ASSERT_FALSE(folder.isOk());
    EXPECT_NE(folder.message().find("Is a directory"), std::string::npos) << folder.message();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace platform::scc
