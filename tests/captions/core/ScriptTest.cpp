// The script file: rows, check marks, times and what a failed write leaves.
#include <gtest/gtest.h>

#include <string>

#include "tests/captions/core/CaptionFeed.h"

namespace {

using testsupport::CaptionFeed;

// HELLO at 300, replaced at 550 by HOW ARE YOU?, erased at 725; FINE. at
// 910, replaced at 980 by BYE., still on display at the stop.
void playConversation(CaptionFeed& f, bool checkDuringSecond) {
    f.popOn("HELLO", 300);
    f.popOn("HOW ARE YOU?", 550);
    if (checkDuringSecond) {
        f.at(600);
        f.cc.check();
    }
    f.clearAt(725);
    f.popOn("FINE.", 910);
    f.popOn("BYE.", 980);
    f.at(1200);
}

TEST(ScriptFile, ConversationWithACheckMarkByteForByte) {
    CaptionFeed f;
    f.start();
    playConversation(f, true);
    EXPECT_EQ(f.stop(), "300\t550\tHELLO\t1\r\n550\t725\tHOW ARE YOU?\r\n910\t980\tFINE.\r\n");
    EXPECT_TRUE(f.cc.lastWriteStatus().isOk());
}

TEST(ScriptFile, NothingShownAndRemovedGivesAnEmptyFile) {
    CaptionFeed nothing;
    nothing.start();
    EXPECT_EQ(nothing.stop(), "");

    CaptionFeed onlyShown;
    onlyShown.start();
    onlyShown.popOn("STILL UP", 100);
    onlyShown.resumeCaptionLoading();
    onlyShown.text("LOADED");  // loaded, never displayed
    onlyShown.cc.check();
    EXPECT_EQ(onlyShown.stop(), "");
    EXPECT_TRUE(testsupport::exists(onlyShown.dir.file("script.txt")));
}

TEST(ScriptChecks, MarkTheRowBeforeTheCurrentLine) {
    struct Case {
        const char* name;
        int checkAfterCaption;  // 0: before the first caption
        std::string marks;      // one char per row: '1' marked
    };
    // Rows: A (line 1), B (line 2), C (line 3); D is line 4, shown at the stop.
    const Case cases[] = {
        {"before the first caption", 0, "000"},
        {"while line 1 is current", 1, "000"},
        {"while line 2 is current", 2, "100"},
        {"while line 3 is current", 3, "010"},
        {"while the uncommitted last line is current", 4, "001"},
    };
    for (const Case& c : cases) {
        CaptionFeed f;
        f.start();
        const char* texts[] = {"A", "B", "C", "D"};
        if (c.checkAfterCaption == 0) {
            f.cc.check();
        }
        for (int i = 0; i < 4; ++i) {
            f.popOn(texts[i], 100 * (i + 1));
            if (c.checkAfterCaption == i + 1) {
                f.cc.check();
                f.cc.check();  // twice on one line: one mark
            }
        }
        std::string expected;
        for (int i = 0; i < 3; ++i) {
            expected += std::to_string(100 * (i + 1)) + "\t" + std::to_string(100 * (i + 2)) +
                        "\t" + texts[i] +
                        (c.marks[static_cast<std::size_t>(i)] == '1' ? "\t1" : "") + "\r\n";
        }
        EXPECT_EQ(f.stop(), expected) << c.name;
    }
}

TEST(ScriptChecks, ChecksOutsideARecordingAreDropped) {
    CaptionFeed f;
    f.cc.check();
    f.start();
    f.popOn("A", 100);
    f.popOn("B", 200);
    f.popOn("C", 300);
    EXPECT_EQ(f.stop(), "100\t200\tA\r\n200\t300\tB\r\n");
}

TEST(ScriptLifecycle, ASecondInitWritesTheFirstScriptAndStartsAfresh) {
    CaptionFeed f;
    f.start("first.txt", 1);
    f.popOn("ONE", 100);
    f.popOn("TWO", 200);
    f.at(250);
    f.cc.check();  // marks row 1 of the first script only

    ASSERT_TRUE(f.files.openForOutput(2, f.dir.file("second.txt")).isOk());
    f.cc.init(2);
    EXPECT_EQ(f.files.close(1).message(), "");
    EXPECT_EQ(testsupport::readFile(f.dir.file("first.txt")), "100\t200\tONE\t1\r\n");

    // The second script has its own time base and line numbers; what was on
    // display at the switch is not carried over.
    f.scriptStart = f.clock.now();
    f.clearAt(50);
    f.popOn("THREE", 100);
    f.popOn("FOUR", 400);
    EXPECT_EQ(f.stop("second.txt", 2), "100\t400\tTHREE\r\n");
}

TEST(ScriptTimes, KeepIncreasingAcrossMidnightAndLongRecordings) {
    // A clock that started long ago and passes a day boundary: times of day
    // would wrap to zero here, and single precision would lose centiseconds.
    CaptionFeed f;
    f.clock.set(86400.0 * 40 - 30.0);
    f.start();
    f.popOn("BEFORE MIDNIGHT", 2000);
    f.popOn("AFTER MIDNIGHT", 4000);
    f.popOn("NEXT MORNING", 12345678);
    f.clearAt(12345679);
    EXPECT_EQ(f.stop(),
              "2000\t4000\tBEFORE MIDNIGHT\r\n4000\t12345678\tAFTER MIDNIGHT\r\n"
              "12345678\t12345679\tNEXT MORNING\r\n");
}

TEST(ScriptTimes, RoundDownToTheCentisecond) {
    CaptionFeed f;
    f.start();
    f.resumeCaptionLoading();
    f.text("A");
    f.clock.set(f.scriptStart + 1.2399);
    f.eraseDisplayed();
    f.clock.set(f.scriptStart + 1.2401);
    f.eraseDisplayed();
    EXPECT_EQ(f.stop(), "123\t124\tA\r\n");
}

TEST(ScriptWriteFailures, AreRecordedWhileEveryRowIsTried) {
    CaptionFeed f;
    ASSERT_TRUE(f.files.openForOutput(1, "/dev/full").isOk());
    f.cc.init(1);
    f.popOn("A", 100);
    f.popOn("B", 200);
    f.cc.init(0);
    EXPECT_EQ(f.cc.lastWriteStatus().message(),
              "Cannot write to '/dev/full': No space left on device");
    f.files.close(1);

    // A file the caller closed too early: nothing to write through.
    ASSERT_TRUE(f.files.openForOutput(1, f.dir.file("early.txt")).isOk());
    f.cc.init(1);
    f.popOn("A", 100);
    f.popOn("B", 200);
    ASSERT_TRUE(f.files.close(1).isOk());
    f.cc.init(0);
    EXPECT_EQ(f.cc.lastWriteStatus().message(), "File number 1 is not open");

    // The next good script clears the failure.
    f.start();
    f.popOn("A", 100);
    f.popOn("B", 200);
    EXPECT_EQ(f.stop(), "100\t200\tA\r\n");
    EXPECT_TRUE(f.cc.lastWriteStatus().isOk());
}

}  // namespace
