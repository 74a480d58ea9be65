// What the Review window remembers for the user: stored and read back
// through the profile text, anything unreadable taken as the default, and
// where the file lives.
#include <gtest/gtest.h>

#include "platform/core/ProfileText.h"
#include "study/window/StudyChoices.h"
#include "tests/support/TempDir.h"

namespace study {
namespace {

StoredValue from(const std::string& text) {
    return [text](const std::string& section, const std::string& key) {
        return platform::findProfileValue(text, section, key);
    };
}

std::string write(std::string text, const std::vector<StoredEntry>& entries) {
    for (const StoredEntry& e : entries) {
        text = platform::setProfileValue(text, e.section, e.key, e.value).value();
    }
    return text;
}

TEST(StudyChoices, StoredChoicesReadBackAsTheyWere) {
    const PlaybackChoices playback{{0, 2000}, true, true};
    ExportChoices exported;
    exported.rows = RowChoice::All;
    exported.anki = false;
    exported.clips = true;
    exported.clipFormat = ClipFormat::Opus;
    exported.condensed = true;
    exported.srt = true;
    exported.vtt = true;
    exported.folder = "  /home/ana/Études; cards  ";
    const std::string text = write(write("", entriesOf(playback)), entriesOf(exported));
    EXPECT_EQ(readPlaybackChoices(from(text)), playback);
    EXPECT_EQ(readExportChoices(from(text)), exported);
    // A file that says nothing gives the defaults.
    EXPECT_EQ(readPlaybackChoices(from("")), PlaybackChoices{});
    EXPECT_EQ(readExportChoices(from("")), ExportChoices{});
}

TEST(StudyChoices, ValuesNotUnderstoodAreTheDefaults) {
    const std::string text =
        "[playback]\nPadBeforeMs=-5\nPadAfterMs=2001\nLoop=yes\nNextRow=\n"
        "[export]\nRows=some\nAnki=0\nClipFormat=flac\nSrt=1 \n";
    const PlaybackChoices p = readPlaybackChoices(from(text));
    EXPECT_EQ(p, PlaybackChoices{});
    const ExportChoices e = readExportChoices(from(text));
    EXPECT_EQ(e.rows, RowChoice::Marked);
    EXPECT_FALSE(e.anki);  // the one value that was fine
    EXPECT_EQ(e.clipFormat, ClipFormat::Mp3);
    EXPECT_TRUE(e.srt);  // blanks around a value are the file's, not the value's
    EXPECT_EQ(readPlaybackChoices(from("[playback]\nPadBeforeMs=12x\n")).padding.beforeMs, 50);
}

TEST(StudyChoices, TheFileIsTheUsersOwnAndMadeWhenFirstStored) {
    EXPECT_EQ(studySettingsPath("/x/config", "/home/ana"), "/x/config/cuelark/study.ini");
    EXPECT_EQ(studySettingsPath("relative", "/home/ana"), "/home/ana/.config/cuelark/study.ini");
    EXPECT_EQ(studySettingsPath(nullptr, "/home/ana"), "/home/ana/.config/cuelark/study.ini");
    EXPECT_EQ(studySettingsPath(nullptr, nullptr), "");

    testsupport::TempDir dir;
    const StudySettings settings(dir.file("config/cuelark/study.ini"));
    const PlaybackChoices playback{{75, 125}, false, true};
    ASSERT_TRUE(settings.store(playback).isOk());
    EXPECT_EQ(StudySettings(settings.path()).playback(), playback);
    EXPECT_EQ(StudySettings(settings.path()).exportChoices(), ExportChoices{});

    const platform::Status nowhere = StudySettings("").store(playback);
    EXPECT_FALSE(nowhere.isOk());
    EXPECT_NE(nowhere.message().find("XDG_CONFIG_HOME"), std::string::npos);
}

}  // namespace
}  // namespace study
