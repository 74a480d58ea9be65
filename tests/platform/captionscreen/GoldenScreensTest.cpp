// A sample station's captions played frame by frame through the caption
// screen, with the screen written down at every change, must match the
// reviewed record in golden/. Run with CUELARK_WRITE_GOLDEN=1 to rewrite the
// record after a deliberate change, then read the difference before keeping it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/scc/Scc.h"
#include "platform/captionscreen/CaptionScreen.h"

namespace {

using platform::captionscreen::CaptionScreen;

// "00:01:02.345": the frame's time, to find it against the SCC file.
std::string timeOf(int64_t frame) {
    const double t = platform::scc::frameTime(frame);
    const auto ms = static_cast<long long>(t * 1000.0);
    char buf[32] = {};
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return buf;
}

// The rows with something on them as "NN|text", or "(blank)".
std::string describeScreen(const std::string& text) {
    std::istringstream rows(text);
    std::string out;
    std::string row;
    for (int number = 1; std::getline(rows, row); ++number) {
        if (row != "~") {
            out += (number < 10 ? "0" : "") + std::to_string(number) + "|" + row + "\n";
        }
    }
    return out.empty() ? "(blank)\n" : out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(GoldenScreens, BroadcastThreeMatchesReviewedRecord) {
    const std::string scc = CUELARK_SOURCE_DIR "/assets/broadcasts/3/captions.scc";
    const std::string golden =
        CUELARK_SOURCE_DIR "/tests/platform/captionscreen/golden/broadcast3.txt";
    auto track = platform::scc::readSccFile(scc);
    ASSERT_TRUE(track.isOk()) << track.message();
    ASSERT_FALSE(track.value().words.empty());

    // Frames with no word in the file carry nulls, as on the air.
    CaptionScreen screen;
    std::string record;
    uint64_t seen = screen.changed();
    int64_t frame = 0;
    for (const auto& word : track.value().words) {
        for (; frame < word.frame; ++frame) {
            screen.decode(0x80, 0x80);
        }
        screen.decode(word.first, word.second);
        if (screen.changed() != seen) {
            seen = screen.changed();
            record += "@ frame " + std::to_string(frame) + " " + timeOf(frame) + "\n";
            record += describeScreen(screen.text());
        }
        frame = word.frame + 1;
    }

    if (std::getenv("CUELARK_WRITE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << record;
        GTEST_SKIP() << "wrote " << golden;
    }
    EXPECT_EQ(record, readFile(golden));
}

}  // namespace
