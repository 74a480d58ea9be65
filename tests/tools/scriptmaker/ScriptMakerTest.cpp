#include "tools/scriptmaker/ScriptMaker.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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
        platform::Result<ScriptSummary> r = makeScript(track, path);
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

}  // namespace
}  // namespace tools
