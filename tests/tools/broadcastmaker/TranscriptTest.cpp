#include "tools/broadcastmaker/Transcript.h"

#include <gtest/gtest.h>

namespace tools::broadcast {
namespace {

TEST(Transcript, ReadsTimedLinesSkippingCommentsAndBlanks) {
    const platform::Result<std::vector<TranscriptLine>> r = parseTranscript(
        "# news at six\r\n"
        "\r\n"
        "3\t5.25\tGood evening.\r\n"
        "5.25\t 9.5 \tTonight|<i>the weather</i>\n"
        "12.125\t14\tCaf\xC3\xA9 \t ok\n",
        "t.txt");
    ASSERT_TRUE(r.isOk()) << r.message();
    const std::vector<TranscriptLine>& lines = r.value();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].lineNumber, 3u);
    EXPECT_DOUBLE_EQ(lines[0].start, 3.0);
    EXPECT_DOUBLE_EQ(lines[0].end, 5.25);
    EXPECT_EQ(lines[0].text, "Good evening.");
    EXPECT_DOUBLE_EQ(lines[1].end, 9.5);
    EXPECT_EQ(lines[1].text, "Tonight|<i>the weather</i>");
    EXPECT_EQ(lines[2].lineNumber, 5u);
    EXPECT_DOUBLE_EQ(lines[2].start, 12.125);
    EXPECT_EQ(lines[2].text, "Caf\xC3\xA9 \t ok");  // a tab in the text stays
}

TEST(Transcript, FaultsNameTheFileAndLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"1\t2 text\n", "t.txt:1: expected start, tab, end, tab, text"},
        {"\n1,5\t2\tx\n", "t.txt:2: bad start time '1,5'"},
        {"1\t-2\tx\n", "t.txt:1: bad end time '-2'"},
        {"1\t2e1\tx\n", "t.txt:1: bad end time '2e1'"},
        {"1\tnan\tx\n", "t.txt:1: bad end time 'nan'"},
        {"2\t2\tx\n", "t.txt:1: the caption ends before it starts"},
        {"1\t3\tx\n2.5\t4\ty\n", "t.txt:2: the caption starts before the previous one ends"},
        {"1\t3\t | \n", "t.txt:1: the caption has no text"},
        {"# only a comment\n", "t.txt: no caption line"},
    };
    for (const auto& c : cases) {
        const platform::Result<std::vector<TranscriptLine>> r = parseTranscript(c.text, "t.txt");
        ASSERT_FALSE(r.isOk()) << c.text;
        EXPECT_EQ(r.message(), c.message);
    }
    const platform::Result<std::vector<TranscriptLine>> missing =
        readTranscriptFile("/nonexistent/t.txt");
    ASSERT_FALSE(missing.isOk());
    EXPECT_EQ(missing.message(), "Cannot read '/nonexistent/t.txt': No such file or directory");
}

}  // namespace
}  // namespace tools::broadcast
