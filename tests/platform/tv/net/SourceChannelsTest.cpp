// A source's channels in one form: which files of a folder are recordings
// and in what order, names that come twice in a playlist, and the label
// the picture shows after a tuning.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/tv/net/SourceChannels.h"
#include "tests/support/TempDir.h"

using namespace platform::tv;
using namespace platform::tv::net;

TEST(SourceChannels, AFolderGivesItsRecordingsInGuideOrder) {
    testsupport::TempDir dir;
    for (const char* name :
         {"news10.ts", "news9.TS", "film.mp4", "notes.txt", "clip.m2ts", "old.mov", "cover.png"}) {
        std::ofstream(dir.file(name)) << "x";
    }
    const platform::Result<std::vector<SourceChannel>> c = channelsOfFolder(dir.path());
    ASSERT_TRUE(c.isOk()) << c.message();
    EXPECT_EQ(keysOf(c.value()), (std::vector<std::string>{"clip.m2ts", "film.mp4", "news9.TS",
                                                           "news10.ts", "old.mov"}));
    EXPECT_EQ(c.value()[3].url, dir.file("news10.ts"));

    const platform::Result<std::vector<SourceChannel>> missing = channelsOfFolder(dir.file("gone"));
    ASSERT_FALSE(missing.isOk());
    EXPECT_NE(missing.message().find(dir.file("gone")), std::string::npos) << missing.message();
}

TEST(SourceChannels, LineupsGoInGuideOrderAndPlaylistNamesStayApart) {
    stream::Lineup lineup;
    lineup.channels = {
        {"10.1", "Ten", "http://127.0.0.1/auto/v10.1", "", "", false, false, false},
        {"2.10", "Two Ten", "http://127.0.0.1/auto/v2.10", "", "", false, false, true},
        {"2.1", "Two", "http://127.0.0.1/auto/v2.1", "", "", false, false, false}};
    const std::vector<SourceChannel> tuner = channelsOfLineup(lineup);
    EXPECT_EQ(keysOf(tuner), (std::vector<std::string>{"2.1", "2.10", "10.1"}));
    EXPECT_TRUE(tuner[1].drm);
    EXPECT_EQ(tuningLabel(7, tuner[0]), "7 \u00b7 2.1 Two");

    stream::Playlist list;
    list.entries = {{"News", "", "http://127.0.0.1/a.ts"},
                    {"News", "", "http://127.0.0.1/b.ts"},
                    {"Film", "", "http://127.0.0.1/c.ts"}};
    const std::vector<SourceChannel> iptv = channelsOfPlaylist(list);
    EXPECT_EQ(keysOf(iptv), (std::vector<std::string>{"News", "News (2)", "Film"}));
    EXPECT_EQ(findChannel(iptv, "News (2)")->url, "http://127.0.0.1/b.ts");
    EXPECT_EQ(tuningLabel(12, iptv[2]), "12 \u00b7 Film");
}
