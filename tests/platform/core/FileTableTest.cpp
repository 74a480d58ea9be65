#include "platform/core/FileTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/TempDir.h"

namespace platform {
namespace {

using testsupport::readFile;
using testsupport::TempDir;

TEST(DescribeErrno, NamesWhatThePathAndTheReason) {
    EXPECT_EQ(describeErrno("Cannot open", "/x/a.txt", EACCES),
              "Cannot open '/x/a.txt': Permission denied");
}

TEST(FileTableNumbers, GivesTheLowestFreeNumber) {
    FileTable files;
    EXPECT_EQ(files.freeFile(), 1);
    ASSERT_TRUE(files.openForOutput(1, "/dev/null").isOk());
    ASSERT_TRUE(files.openForOutput(2, "/dev/null").isOk());
    EXPECT_EQ(files.freeFile(), 3);
    ASSERT_TRUE(files.close(1).isOk());
    EXPECT_EQ(files.freeFile(), 1);
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_TRUE(files.isOpen(2));
    EXPECT_EQ(files.pathOf(2), "/dev/null");
}

TEST(FileTableNumbers, RunsOutAfter255) {
    FileTable files;
    for (int fno = 1; fno <= FileTable::kMaxFiles; ++fno) {
        ASSERT_EQ(files.freeFile(), fno);
        ASSERT_TRUE(files.openForOutput(fno, "/dev/null").isOk()) << fno;
    }
    EXPECT_EQ(files.freeFile(), 0);
    // The table's destructor closes whatever is still open.
}

TEST(FileTableNumbers, RefusesNumbersOutOfRangeOrInUse) {
    TempDir dir;
    FileTable files;
    EXPECT_FALSE(files.openForOutput(0, dir.file("a")).isOk());
    EXPECT_FALSE(files.openForOutput(256, dir.file("a")).isOk());
    ASSERT_TRUE(files.openForOutput(5, dir.file("a")).isOk());
    const Status again = files.openForOutput(5, dir.file("b"));
    EXPECT_FALSE(again.isOk());
    EXPECT_NE(again.message().find(dir.file("a")), std::string::npos) << again.message();
    EXPECT_FALSE(testsupport::exists(dir.file("b")));
    EXPECT_FALSE(files.write(6, "x").isOk());
    EXPECT_FALSE(files.close(6).isOk());
    EXPECT_FALSE(files.write(-1, "x").isOk());
}

TEST(FileTableOutput, TruncatesAndWritesBytesUnchanged) {
    TempDir dir;
    const std::string path = dir.file("script.txt");
    testsupport::writeFile(path, "old contents that must go");
    FileTable files;
    ASSERT_TRUE(files.openForOutput(1, path).isOk());
    EXPECT_EQ(readFile(path), "");
    const std::string bytes("300\t550\tHELLO\t1\r\n\xE1\x88\0\xFF\n", 21);
    ASSERT_TRUE(files.write(1, bytes.substr(0, 10)).isOk());
    ASSERT_TRUE(files.write(1, "").isOk());
    ASSERT_TRUE(files.write(1, bytes.substr(10)).isOk());
    ASSERT_TRUE(files.close(1).isOk());
    EXPECT_EQ(readFile(path), bytes);
}

TEST(FileTableOutput, ReportsOpenFailuresWithPathAndReason) {
    TempDir dir;
    FileTable files;
    const std::string path = dir.file("no/such/folder/x.txt");
    const Status status = files.openForOutput(1, path);
    EXPECT_EQ(status.message(), "Cannot open '" + path + "': No such file or directory");
    EXPECT_FALSE(files.isOpen(1));
}

TEST(FileTableOutput, AFullDiskShowsAtFlushOrClose) {
    FileTable files;
    ASSERT_TRUE(files.openForOutput(1, "/dev/full").isOk());
    ASSERT_TRUE(files.write(1, "buffered").isOk());
    const Status flushed = files.flush(1);
    EXPECT_EQ(flushed.message(), "Cannot write to '/dev/full': No space left on device");
    ASSERT_TRUE(files.write(1, "more").isOk());
    const Status closed = files.close(1);
    EXPECT_FALSE(closed.isOk());
    EXPECT_NE(closed.message().find("No space left on device"), std::string::npos);
    EXPECT_FALSE(files.isOpen(1)) << "a failed close still frees the number";
}

}  // namespace
}  // namespace platform
