#include "app/modMain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(JoinPath, PutsExactlyOneSlashBetween) {
    struct Case {
        std::string dir, file, joined;
    };
    const Case cases[] = {
        {"/", "cuelark.ini", "/cuelark.ini"},
        {"/opt/tools//", "/cuelark.ini", "/opt/tools/cuelark.ini"},
        {"", "x.ini", "/x.ini"},
        {"a", "b", "a/b"},
        {"///", "///x", "/x"},
        {"/rec", "", "/rec/"},
        {"/a b/", " c", "/a b/ c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JoinPath(c.dir, c.file), c.joined) << "[" << c.dir << "] [" << c.file << "]";
    }
}

TEST(TrimControlChars, RemovesControlCharactersAtTheEndsOnly) {
    struct Case {
        std::string text, trimmed;
    };
    const Case cases[] = {
        {"\tab\tc\t", "ab\tc"},
        {std::string(50, '\0'), ""},
        {std::string("/rec\0\0\0", 7), "/rec"},
        {"  a  ", "  a  "},
        {"\x1F a \x01\r\n", " a "},
        {"\x7F\xE9", "\x7F\xE9"},  // DEL and high bytes are not control characters here
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimControlChars(c.text), c.trimmed);
    }
}

TEST(HiWord, IsTheSignedUpperHalf) {
    EXPECT_EQ(HiWord(5 * 65536 + 3), 5);
    EXPECT_EQ(HiWord(static_cast<int32_t>(0xFFFF0000u)), -1);
    EXPECT_EQ(HiWord(static_cast<int32_t>(0x80000000u)), -32768);
    EXPECT_EQ(HiWord(65535), 0);
    EXPECT_EQ(HiWord(-1), -1);
    EXPECT_EQ(HiWord(0x7FFFFFFF), 32767);
    EXPECT_EQ(HiWord(-65536 * 3 + 1), -3);
}

// The settings functions work on g_sIniFile; each test points it at a
// folder of its own and puts it back afterwards.
class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        savedIni_ = g_sIniFile;
        g_sIniFile = dir.file("cuelark.ini");
    }
    void TearDown() override { g_sIniFile = savedIni_; }

    TempDir dir;

  private:
    std::string savedIni_;
};

TEST_F(Settings, ReadGivesDefaultsAndTheStoredValue) {
    EXPECT_EQ(ReadSetting("SaveDir", "/opt/cuelark"), "/opt/cuelark");
    writeFile(g_sIniFile, "[global]\r\nSaveDir=\r\nChannels1=\t0101\t\r\n");
    EXPECT_EQ(ReadSetting("SaveDir", "/opt/cuelark"), "") << "present but empty is not missing";
    EXPECT_EQ(ReadSetting("channels1", ""), "0101");
    EXPECT_EQ(ReadSetting("Channels2", ""), "");
    EXPECT_EQ(ReadSetting("Channels2", "\tdefault\x01"), "default");
}

TEST_F(Settings, WriteCreatesTheFileAndReturnsNothing) {
    EXPECT_EQ(WriteSetting("SaveDir", "/media/rec"), "");
    EXPECT_TRUE(LastSettingWriteStatus().isOk()) << LastSettingWriteStatus().message();
    EXPECT_EQ(readFile(g_sIniFile), "[global]\nSaveDir=/media/rec\n");
}

TEST_F(Settings, LongSaveDirectoriesSurviveWriteAndRead) {
    for (const std::size_t length : {60u, 300u}) {
        std::string saveDir = "/home/viewer/";
        saveDir += std::string(length - saveDir.size(), 'r');
        ASSERT_EQ(saveDir.size(), length);
        WriteSetting("SaveDir", saveDir);
        WriteSetting("Channels1", "01");
        EXPECT_EQ(ReadSetting("SaveDir", "d"), saveDir) << length;
        EXPECT_EQ(ReadSetting("Channels1", "d"), "01");
    }
}

TEST_F(Settings, AFailedWriteIsKeptForWhoeverAsks) {
    g_sIniFile = dir.file("missing/cuelark.ini");
    EXPECT_EQ(WriteSetting("SaveDir", "/x"), "");
    EXPECT_FALSE(LastSettingWriteStatus().isOk());
    EXPECT_NE(LastSettingWriteStatus().message().find(g_sIniFile), std::string::npos)
        << LastSettingWriteStatus().message();
    g_sIniFile = dir.file("cuelark.ini");
    WriteSetting("SaveDir", "/x");
    EXPECT_TRUE(LastSettingWriteStatus().isOk()) << "the next good write clears it";
}

TEST_F(Settings, StartUpBesideTheExecutable) {
    const std::string exe = dir.file("cuelark");
    StartUp(exe);
    EXPECT_EQ(g_sIniFile, dir.file("cuelark.ini"));
    EXPECT_EQ(g_sSaveDir, dir.path());
    ASSERT_NE(g_ccFactory, nullptr);
    EXPECT_TRUE(g_ccFactory->lastWriteStatus().isOk());
    EXPECT_FALSE(testsupport::exists(g_sIniFile)) << "start-up writes nothing";
}

TEST_F(Settings, StartUpOfARenamedExecutableUsesItsOwnFile) {
    writeFile(dir.file("cuelark.ini"), "[global]\nSaveDir=/not/this/one\n");
    writeFile(dir.file("rec.ini"), "[global]\nSaveDir=/media/rec\n");
    StartUp(dir.file("rec.bin"));
    EXPECT_EQ(g_sIniFile, dir.file("rec.ini"));
    EXPECT_EQ(g_sSaveDir, "/media/rec");

    writeFile(dir.file("rec.ini"), "[global]\nSaveDir=\n");
    StartUp(dir.file("rec.bin"));
    EXPECT_EQ(g_sSaveDir, "") << "an empty SaveDir stays empty";
}

TEST_F(Settings, StartUpAtTheRoot) {
    StartUp("/cuelark");
    EXPECT_EQ(g_sIniFile, "/cuelark.ini");
    if (!testsupport::exists("/cuelark.ini")) {
        EXPECT_EQ(g_sSaveDir, "/");
    }
}

TEST(ExecutablePath, NamesTheRunningProgram) {
    const platform::Result<std::string> path = ExecutablePath();
    ASSERT_TRUE(path.isOk()) << path.message();
    EXPECT_EQ(std::filesystem::path(path.value()).filename(), "app_core_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path.value()));
}

}  // namespace
