// The journal a recording keeps of its script: what it holds is what the
// stop writes, and however it was cut off, the rows complete up to there
// come back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/LockedFile.h"
#include "recording/JournalText.h"
#include "recording/RecordingJournal.h"
#include "tests/captions/core/CaptionFeed.h"

namespace recording {
namespace {

JournalContents parsed(const std::string& text) {
    platform::Result<JournalContents> j = parseJournal(text);
    EXPECT_TRUE(j) << j.message();
    return j ? j.value() : JournalContents{};
}

TEST(Journal, HoldsWhatTheStopWritesChecksIncluded) {
    testsupport::CaptionFeed f;
    auto journal = RecordingJournal::create(f.dir.path(), "evening news");
    ASSERT_TRUE(journal) << journal.message();
    RecordingJournal& j = *journal.value();
    f.start();
    f.cc.setScriptListener(&j);
    j.setDestinations(f.dir.file("evening news.wav"), f.dir.file("script.txt"));
    f.cc.check();  // before any caption: marks nothing
    f.popOn("HELLO", 300);
    f.popOn("HOW ARE YOU?", 550);
    f.at(600);
    f.cc.check();
    f.cc.check();
    f.clearAt(725);
    f.popOn("FINE.", 910);
    f.popOn("BYE.", 980);
    f.cc.check();  // BYE. is still on display at the stop: marks FINE.
    f.at(1200);
    const std::string written = f.stop();
    f.cc.setScriptListener(nullptr);

    const JournalContents back = parsed(testsupport::readFile(j.path()));
    EXPECT_EQ(back.wavPath, f.dir.file("evening news.wav"));
    EXPECT_EQ(back.scriptPath, f.dir.file("script.txt"));
    EXPECT_EQ(back.rows, j.rows());
    EXPECT_EQ(scriptText(back.rows, back.checks), written);
    EXPECT_EQ(written, "300\t550\tHELLO\t1\r\n550\t725\tHOW ARE YOU?\r\n910\t980\tFINE.\t1\r\n");
    EXPECT_EQ(markedRows(back.rows, back.checks), 2u);
    EXPECT_TRUE(j.intact());
    EXPECT_TRUE(j.path().find("/.evening news.") != std::string::npos) << j.path();
    EXPECT_EQ(j.soundPath().substr(0, j.path().size() - kJournalSuffix.size()),
              j.path().substr(0, j.path().size() - kJournalSuffix.size()));
}

TEST(Journal, CutAtAnyByteKeepsTheRowsCompleteUpToThere) {
    // Values with every byte the format escapes, and a row whose text is empty.
    const std::vector<std::string> rows = {"100\t250\tA \\ B", "250\t300\t", "-5\t7\tC\rD\nE"};
    std::string text = journalStartText() + journalWavText("/a\\b/new\nline.wav");
    std::vector<std::size_t> rowEnds;
    std::vector<std::size_t> checkEnds;
    text += journalScriptText("/s.txt");
    for (const std::string& row : rows) {
        text += journalRowText(row);
        rowEnds.push_back(text.size());
        text += journalCheckText(static_cast<int32_t>(rowEnds.size()) + 1);
        checkEnds.push_back(text.size());
    }
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const platform::Result<JournalContents> j = parseJournal(text.substr(0, cut));
        if (cut < journalStartText().size()) {
            EXPECT_FALSE(j) << cut;
            continue;
        }
        ASSERT_TRUE(j) << cut;
        std::size_t wholeRows = 0;
        std::size_t wholeChecks = 0;
        while (wholeRows < rowEnds.size() && rowEnds[wholeRows] <= cut) {
            ++wholeRows;
        }
        while (wholeChecks < checkEnds.size() && checkEnds[wholeChecks] <= cut) {
            ++wholeChecks;
        }
        ASSERT_EQ(j.value().rows,
                  std::vector<std::string>(rows.begin(),
                                           rows.begin() + static_cast<std::ptrdiff_t>(wholeRows)))
            << "cut at " << cut;
        EXPECT_EQ(j.value().checks.size(), wholeChecks) << cut;
        EXPECT_LE(j.value().validBytes, cut);
        EXPECT_EQ(text.compare(0, j.value().validBytes, text, 0, j.value().validBytes), 0);
    }
    const JournalContents whole = parsed(text);
    EXPECT_EQ(whole.wavPath, "/a\\b/new\nline.wav");
    EXPECT_EQ(whole.validBytes, text.size());
}

TEST(Journal, ReadingStopsAtTheFirstLineThatIsNoRecord) {
    const std::string good = journalStartText() + journalRowText("1\t2\tA");
    const std::string later = journalRowText("3\t4\tB");
    for (const std::string& bad :
         {std::string("row 5\t6"), std::string(4096, '\0'), std::string("row x\t6\tC"),
          std::string("check 1e3"), std::string("row 1\t2\tbad escape \\q"),
          std::string("mystery 1")}) {
        const JournalContents j = parsed(good + bad + "\n" + later);
        EXPECT_EQ(j.rows, std::vector<std::string>{"1\t2\tA"}) << bad;
        EXPECT_EQ(j.validBytes, good.size());
    }
}

TEST(Journal, HeldByItsProgramUntilItGoes) {
    testsupport::TempDir dir;
    std::string path;
    {
        auto journal = RecordingJournal::create(dir.path(), "a/b");
        ASSERT_TRUE(journal);
        path = journal.value()->path();
        EXPECT_EQ(path.find("/.a_b."), dir.path().size()) << "a slash cannot name a folder";
        const auto other = platform::LockedFile::openIfFree(path);
        ASSERT_FALSE(other);
        EXPECT_TRUE(platform::LockedFile::busy(other.message())) << other.message();
    }
    EXPECT_TRUE(platform::LockedFile::openIfFree(path)) << "free once its program let go";
}

}  // namespace
}  // namespace recording
