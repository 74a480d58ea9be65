#include "platform/core/ProfileFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace platform {
namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// Files larger than the limit cannot be written while one of these lives:
// a full disk that even root cannot write past.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    sighandler_t oldHandler_ = SIG_DFL;
};

int entriesIn(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

TEST(ProfileFileRead, GivesTheDefaultForAnythingMissing) {
    TempDir dir;
    const std::string ini = dir.file("cuelark.ini");
    EXPECT_EQ(GetPrivateProfileStringA("global", "SaveDir", "d", ini), "d");
    writeFile(ini, "[global]\nChannels1=01\n");
    EXPECT_EQ(GetPrivateProfileStringA("global", "SaveDir", "d", ini), "d");
    EXPECT_EQ(GetPrivateProfileStringA("other", "Channels1", "d", ini), "d");
    // A folder in place of the file reads as missing.
    EXPECT_EQ(GetPrivateProfileStringA("global", "SaveDir", "d", dir.path()), "d");
}

TEST(ProfileFileRead, ReturnsTheWholeValueAndLongDefaults) {
    TempDir dir;
    const std::string ini = dir.file("cuelark.ini");
    const std::string longDefault(300, 'x');
    EXPECT_EQ(GetPrivateProfileStringA("global", "SaveDir", longDefault, ini), longDefault);
    const std::string longValue = "/srv/" + std::string(295, 'r');
    writeFile(ini, "[global]\r\nSaveDir=" + longValue + "\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("global", "SaveDir", "d", ini), longValue);
}

TEST(ProfileFileWrite, CreatesTheFileWithTheSection) {
    TempDir dir;
    const std::string ini = dir.file("cuelark.ini");
    ASSERT_TRUE(WritePrivateProfileStringA("global", "SaveDir", "E:/Rec", ini).isOk());
    EXPECT_EQ(readFile(ini), "[global]\nSaveDir=E:/Rec\n");
    EXPECT_EQ(entriesIn(dir.path()), 1) << "no temporary file is left behind";
}

TEST(ProfileFileWrite, ReplacesInPlaceLeavingOtherLinesByteForByte) {
    TempDir dir;
    const std::string ini = dir.file("cuelark.ini");
    const std::string before =
        "; hand-written\r\n[Global]\r\nchannels1=0110\r\n  saveDIR = /old  \r\n\r\n[x]\r\nk=v";
    writeFile(ini, before);
    ASSERT_TRUE(WritePrivateProfileStringA("global", "SaveDir", "/new", ini).isOk());
    EXPECT_EQ(readFile(ini),
              "; hand-written\r\n[Global]\r\nchannels1=0110\r\nSaveDir=/new\r\n\r\n[x]\r\nk=v");
}

TEST(ProfileFileWrite, KeepsPermissionsAndLinks) {
    TempDir dir;
    const std::string real = dir.file("real.ini");
    const std::string link = dir.file("cuelark.ini");
    writeFile(real, "[global]\nSaveDir=a\n");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("global", "SaveDir", "b", link).isOk());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), "[global]\nSaveDir=b\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(ProfileFileWrite, AFailedWriteLeavesTheOldFileIntact) {
    TempDir dir;
    const std::string ini = dir.file("cuelark.ini");
    const std::string before = "[global]\nSaveDir=/old\n";
    writeFile(ini, before);
    Status status;
    {
        FileSizeLimit limit(64);
        status = WritePrivateProfileStringA("global", "SaveDir", std::string(200, 'n'), ini);
    }
    EXPECT_FALSE(status.isOk());
    EXPECT_NE(status.message().find(ini), std::string::npos) << status.message();
    EXPECT_NE(status.message().find("File too large"), std::string::npos) << status.message();
    EXPECT_EQ(readFile(ini), before);
    EXPECT_EQ(entriesIn(dir.path()), 1) << "the temporary file is removed";
}

TEST(ProfileFileWrite, AReadOnlyFolderFailsWithoutChange) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers this";
    }
    TempDir dir;
    const std::string ini = dir.file("cuelark.ini");
    writeFile(ini, "[global]\nSaveDir=/old\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const Status status = WritePrivateProfileStringA("global", "SaveDir", "/new", ini);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_FALSE(status.isOk());
    EXPECT_NE(status.message().find("Permission denied"), std::string::npos) << status.message();
    EXPECT_EQ(readFile(ini), "[global]\nSaveDir=/old\n");
}

TEST(ProfileFileWrite, ReportsPathsThatCannotHoldAFile) {
    TempDir dir;
    const Status inFolderThatIsAFile =
        WritePrivateProfileStringA("global", "SaveDir", "x", dir.file("missing/cuelark.ini"));
    EXPECT_FALSE(inFolderThatIsAFile.isOk());
    EXPECT_NE(inFolderThatIsAFile.message().find("missing/cuelark.ini"), std::string::npos)
        << inFolderThatIsAFile.message();

    const Status onAFolder = WritePrivateProfileStringA("global", "SaveDir", "x", dir.path());
    EXPECT_FALSE(onAFolder.isOk());
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));

    const std::string ini = dir.file("cuelark.ini");
    const Status badValue = WritePrivateProfileStringA("global", "SaveDir", "a\nb=c", ini);
    EXPECT_FALSE(badValue.isOk());
    EXPECT_FALSE(testsupport::exists(ini));
}

}  // namespace
}  // namespace platform
