// What the golden roll-up and paint-on stations do not show: windows that
// cannot be, and captions that cannot go out on time.
#include "tools/broadcastmaker/LiveSchedule.h"

#include <gtest/gtest.h>

namespace tools::broadcast {
namespace {

std::vector<TranscriptLine> transcript(const char* text) {
    platform::Result<std::vector<TranscriptLine>> lines = parseTranscript(text, "t.txt");
    EXPECT_TRUE(lines.isOk()) << lines.message();
    return lines.isOk() ? lines.value() : std::vector<TranscriptLine>{};
}

TEST(LiveSchedule, ARollUpWindowMustFitOnTheScreen) {
    const std::vector<TranscriptLine> lines = transcript("1\t2\tHELLO\n");
    const struct {
        RollUpWindow window;
        const char* message;
    } cases[] = {
        {{1, 15}, "a roll-up window has 2, 3 or 4 rows, not 1"},
        {{5, 15}, "a roll-up window has 2, 3 or 4 rows, not 5"},
        {{3, 2}, "base row 2 leaves no room for a window of 3 rows (rows 3 to 15 do)"},
        {{2, 16}, "base row 16 leaves no room for a window of 2 rows (rows 2 to 15 do)"},
    };
    for (const auto& c : cases) {
        platform::Result<Schedule> s = scheduleRollUp(lines, c.window, Align::Left, "t.txt");
        ASSERT_FALSE(s.isOk());
        EXPECT_EQ(s.message(), c.message);
    }
    EXPECT_TRUE(scheduleRollUp(lines, {4, 4}, Align::Left, "t.txt").isOk());
}

TEST(LiveSchedule, ACaptionSentTooSoonAfterALongOneGoesOutLateAndSaysSo) {
    // Thirty-two characters take sixteen frames; the next starts one frame on.
    const std::vector<TranscriptLine> lines =
        transcript("1\t1.03\tABCDEFGHIJKLMNOPQRSTUVWXYZ012345\n1.03\t2\tNEXT\n");
    for (const bool rollUp : {true, false}) {
        platform::Result<Schedule> s = rollUp ? scheduleRollUp(lines, {}, Align::Left, "t.txt")
                                              : schedulePaintOn(lines, Align::Left, "t.txt");
        ASSERT_TRUE(s.isOk()) << s.message();
        ASSERT_EQ(s.value().warnings.size(), 1u);
        EXPECT_EQ(s.value().warnings[0].rfind("t.txt:2: shown 0.", 0), 0u) << s.value().warnings[0];
        EXPECT_NE(s.value().warnings[0].find(" late: the caption before is still being sent"),
                  std::string::npos);
        // Still one pair a frame, in order.
        for (size_t i = 1; i < s.value().words.size(); ++i) {
            EXPECT_LT(s.value().words[i - 1].frame, s.value().words[i].frame);
        }
    }
}

}  // namespace
}  // namespace tools::broadcast
