#include "tools/scriptmaker/ScriptMaker.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <utility>

namespace tools {
namespace {

using platform::scc::CaptionTrack;
using platform::scc::CaptionWord;

uint8_t withParity(int b) {
    return static_cast<uint8_t>(__builtin_popcount(b) % 2 == 0 ? b | 0x80 : b);
}

TEST(CaptionWordPacking, MatchesTheCardsMessages) {
    EXPECT_EQ(packCaptionWord(0x94, 0x2C), 0x2934);
    EXPECT_EQ(packCaptionWord(0xC8, 0x49), 0x1392);
    EXPECT_EQ(packCaptionWord(kNullByte, kNullByte), 0x0101);
}

TEST(CaptionWordPacking, UnpackingGivesBackEveryPairWithoutParity) {
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const CaptionPair p = unpackCaptionWord(
                packCaptionWord(static_cast<uint8_t>(first), static_cast<uint8_t>(second)));
            ASSERT_EQ(p.high, first & 0x7F);
            ASSERT_EQ(p.low, second & 0x7F);
        }
    }
    // The card leaves the upper half of wParam to chance; it changes nothing.
    const CaptionPair p = unpackCaptionWord(0x7FFF0000 | 0x2934);
    EXPECT_EQ(p.high, 0x14);
    EXPECT_EQ(p.low, 0x2C);
}

class ScriptMakerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("scriptmaker_tests_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string scriptOf(const CaptionTrack& track, ScriptSummary* summary = nullptr) {
        const std::string path = (dir_ / "script.txt").string();
        return kept(makeScript(track, path), path, summary);
    }
    std::string spanOf(const CaptionTrack& track, double start, double end,
                       ScriptSummary* summary = nullptr) {
        const std::string path = (dir_ / "span.txt").string();
        return kept(makeScriptSpan(track, path, start, end), path, summary);
    }
    static std::string kept(const platform::Result<ScriptSummary>& r, const std::string& path,
                            ScriptSummary* summary) {
        EXPECT_TRUE(r.isOk()) << r.message();
        if (r.isOk() && summary) {
            *summary = r.value();
        }
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A one-character caption loaded from frame `at` on.
    static void load(CaptionTrack& t, int64_t at, char c) {
        const int words[][2] = {{0x14, 0x20}, {0x14, 0x70}, {c, 0}};
        for (const auto& w : words) {
            t.words.push_back({at++, withParity(w[0]), withParity(w[1])});
        }
    }
    static void edm(CaptionTrack& t, int64_t at) {
        t.words.push_back({at, withParity(0x14), withParity(0x2C)});
    }

    std::filesystem::path dir_;
};

TEST_F(ScriptMakerTest, NullPairsBetweenWordsLetARepeatedCodeActAgain) {
    CaptionTrack t;
    load(t, 10, 'A');
    edm(t, 60);  // shows A at 200 cs
    edm(t, 62);  // a null pair at frame 61 between: this one erases A at 206 cs
    edm(t, 63);  // right after the last: the repeated copy, dropped
    load(t, 70, 'B');
    edm(t, 90);   // shows B at 300 cs
    edm(t, 120);  // erases it at 400 cs
    ScriptSummary summary;
    EXPECT_EQ(scriptOf(t, &summary), "200\t206\tA\r\n300\t400\tB\r\n");
    EXPECT_EQ(summary.pairs, static_cast<int64_t>(t.words.size()));
    EXPECT_EQ(summary.rows, 2);
    EXPECT_DOUBLE_EQ(summary.seconds, platform::scc::frameTime(120));
}

TEST_F(ScriptMakerTest, AnUnwritableScriptIsAnErrorNamingIt) {
    CaptionTrack t;
    load(t, 0, 'A');
    const std::string path = (dir_ / "missing" / "script.txt").string();
    platform::Result<ScriptSummary> r = makeScript(t, path);
    ASSERT_FALSE(r.isOk());
    EXPECT_NE(r.message().find(path), std::string::npos) << r.message();
    EXPECT_NE(r.message().find("No such file or directory"), std::string::npos) << r.message();
    // The file number it tried is free again for the next script.
    EXPECT_EQ(platform::FileTable::instance().freeFile(), 1);
}

// A recording of A then B: A loaded from frame 10 and shown at frame 60 (2.002 s),
// B loaded from frame 70 and shown in A's place at frame 90 (3.003 s), B
// erased at frame 120 (4.004 s).
class ScriptSpanTest : public ScriptMakerTest {
  protected:
    void SetUp() override {
        ScriptMakerTest::SetUp();
        load(track_, 10, 'A');
        edm(track_, 60);
        load(track_, 70, 'B');
        edm(track_, 90);
        edm(track_, 120);
    }
    static double at(int64_t frame) { return platform::scc::frameTime(frame); }
    CaptionTrack track_;
};

TEST_F(ScriptSpanTest, FromTheFirstFrameToTheLastWordItIsTheWholeScript) {
    ScriptSummary whole;
    ScriptSummary span;
    const std::string expected = scriptOf(track_, &whole);
    EXPECT_EQ(expected, "200\t300\tA\r\n300\t400\tB\r\n");
    EXPECT_EQ(spanOf(track_, 0.0, at(120), &span), expected);
    EXPECT_EQ(span.pairs, whole.pairs);
    EXPECT_EQ(span.rows, 2);
    EXPECT_DOUBLE_EQ(span.seconds, whole.seconds);
}

TEST_F(ScriptSpanTest, RowsCountFromTheStartAndTheCaptionOnDisplayThenIsNotWritten) {
    // Record pressed at 2.2 s, A already on display: B opens the script at
    // 3.003 - 2.2 s and is erased at 4.004 - 2.2 s.
    ScriptSummary summary;
    EXPECT_EQ(spanOf(track_, 2.2, 5.0, &summary), "80\t180\tB\r\n");
    EXPECT_EQ(summary.pairs, 5);  // B's three words and both erases
    EXPECT_EQ(summary.rows, 1);
    EXPECT_DOUBLE_EQ(summary.seconds, 2.8);
    // Stopped while B is still on display: nothing finished, an empty file.
    EXPECT_EQ(spanOf(track_, 2.2, 3.5), "");
    // Started before anything: A is closed when B replaces it, B is cut off.
    EXPECT_EQ(spanOf(track_, 0.0, 3.5), "200\t300\tA\r\n");
}

TEST_F(ScriptSpanTest, AFrameDueAtTheStartOrTheEndBelongsToTheScript) {
    // Frame 70 carries the code that starts loading B: at the start's own
    // moment it reaches the new script; a moment earlier the script's reset
    // forgets it and B is never loaded.
    EXPECT_EQ(spanOf(track_, at(70), at(120)), "66\t166\tB\r\n");
    EXPECT_EQ(spanOf(track_, at(70) + 0.001, at(120)), "");
    // The erase at frame 120 ends B just in time; a moment before, B stays.
    EXPECT_EQ(spanOf(track_, 2.2, at(120) - 0.001), "");
}

TEST_F(ScriptSpanTest, AnEndBeforeTheStartOrAnEndlessSpanIsRefusedBeforeAnyFileIsMade) {
    const std::string path = (dir_ / "never.txt").string();
    for (const auto& [start, end] :
         {std::pair{5.0, 4.0}, std::pair{0.0, std::numeric_limits<double>::infinity()},
          std::pair{std::numeric_limits<double>::quiet_NaN(), 1.0}}) {
        platform::Result<ScriptSummary> r = makeScriptSpan(track_, path, start, end);
        ASSERT_FALSE(r.isOk()) << start << " " << end;
        EXPECT_NE(r.message().find(path), std::string::npos) << r.message();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(platform::FileTable::instance().freeFile(), 1);
}

}  // namespace
}  // namespace tools
