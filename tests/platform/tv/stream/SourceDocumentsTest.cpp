// What the card reads about its source: a tuner's JSON documents, IPTV
// playlists and the Source line of tvcard.ini, including the damaged and
// unexpected forms real devices and hand edits produce.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/ProfileText.h"
#include "platform/tv/stream/CardSource.h"
#include "platform/tv/stream/Lineup.h"
#include "platform/tv/stream/M3uPlaylist.h"
#include "tests/support/TempDir.h"

using namespace platform::tv::stream;

namespace {

TEST(TunerDocuments, DiscoverLineupAndStatusWithTheFormsTunersUse) {
    const auto device = parseDiscover(R"({"FriendlyName":"Tuner","ModelNumber":"HDTC-2US",
        "DeviceID":"1234ABCD","BaseURL":"http://127.0.0.1:5004",
        "LineupURL":"http://127.0.0.1:5004/lineup.json","TunerCount":"2","Extra":[1,2]})");
    ASSERT_TRUE(device.isOk());
    EXPECT_EQ(device.value().tunerCount, 2);
    EXPECT_EQ(device.value().lineupUrl, "http://127.0.0.1:5004/lineup.json");

    const auto lineup = parseLineup(R"([
        {"GuideNumber":"2.1","GuideName":"KCBS-HD","URL":"http://127.0.0.1:5004/auto/v2.1",
         "VideoCodec":"MPEG2","AudioCodec":"AC3","HD":1,"Tags":"favorite"},
        {"GuideNumber":5.1,"GuideName":"Caf\u00e9","URL":"http://127.0.0.1:5004/auto/v5.1",
         "Tags":["drm"]},
        {"GuideNumber":"7.1","URL":"http://127.0.0.1:5004/auto/v7.1","DRM":1},
        {"GuideName":"no number","URL":"http://127.0.0.1:5004/auto/v9"},
        {"GuideNumber":"9.1"}, 42, null])");
    ASSERT_TRUE(lineup.isOk());
    const std::vector<LineupChannel>& ch = lineup.value().channels;
    ASSERT_EQ(ch.size(), 3u);
    EXPECT_EQ(lineup.value().skipped, 4);
    EXPECT_TRUE(ch[0].hd && ch[0].favorite && !ch[0].drm);
    EXPECT_EQ(ch[1].guideNumber, "5.1");
    EXPECT_EQ(ch[1].guideName, "Caf\xC3\xA9");
    EXPECT_TRUE(ch[1].drm && ch[2].drm);

    const auto status = parseLineupStatus(
        R"({"ScanInProgress":1,"Progress":140,"Found":"6","SourceList":["Antenna","Cable",3]})");
    ASSERT_TRUE(status.isOk());
    EXPECT_TRUE(status.value().scanInProgress);
    EXPECT_FALSE(status.value().scanPossible);
    EXPECT_EQ(status.value().progress, 100);
    EXPECT_EQ(status.value().found, 6);
    EXPECT_EQ(status.value().sourceList, (std::vector<std::string>{"Antenna", "Cable"}));

    // Anything else is refused with the document's name.
    EXPECT_EQ(parseLineup(R"({"GuideNumber":"2.1"})").message(),
              "The tuner's lineup.json is not a list of channels");
    EXPECT_FALSE(parseDiscover("<html>404</html>").isOk());
    EXPECT_FALSE(parseLineupStatus("[]").isOk());
    EXPECT_FALSE(parseLineup("[{\"GuideNumber\":\"2.1\",").isOk());
}

TEST(Playlists, EntriesNamesAndAddressesResolvedAgainstThePlaylist) {
    const std::string text =
        "\xEF\xBB\xBF#EXTM3U x-tvg-url=\"guide.xml\"\r\n"
        "#EXTINF:-1 tvg-name=\"News, Live\" group-title=\"A\",News Channel\r\n"
        "#EXTVLCOPT:http-user-agent=x\r\n"
        "news/live.m3u8\r\n"
        "#EXTINF:-1 tvg-name=\"Sport\",\r\n"
        "/streams/sport.ts\r\n"
        "#EXTINF:-1,Lost entry\n"
        "#EXTINF:-1,Film\n"
        "http://127.0.0.1:8080/film.ts?token=1\n"
        "bare.ts\n";
    const auto list = parseM3u(text, "http://127.0.0.1:8080/lists/tv.m3u?user=me");
    ASSERT_TRUE(list.isOk());
    const std::vector<PlaylistEntry>& e = list.value().entries;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].name, "News Channel");
    EXPECT_EQ(e[0].tvgName, "News, Live");
    EXPECT_EQ(e[0].url, "http://127.0.0.1:8080/lists/news/live.m3u8");
    EXPECT_EQ(e[1].name, "Sport");
    EXPECT_EQ(e[1].url, "http://127.0.0.1:8080/streams/sport.ts");
    EXPECT_EQ(e[2].name, "Film");
    EXPECT_EQ(e[2].url, "http://127.0.0.1:8080/film.ts?token=1");
    EXPECT_EQ(e[3].name, "bare.ts");
    EXPECT_EQ(list.value().warnings,
              (std::vector<std::string>{"line 7: a channel without an address"}));

    // A playlist file: relative paths against its folder.
    const auto local =
        parseM3u("#EXTM3U\n#EXTINF:-1,One\none.ts\n/abs/two.ts\n", "/srv/tv/list.m3u");
    ASSERT_TRUE(local.isOk());
    EXPECT_EQ(local.value().entries[0].url, "/srv/tv/one.ts");
    EXPECT_EQ(local.value().entries[1].url, "/abs/two.ts");
    EXPECT_EQ(resolveAgainst("http://127.0.0.1:8080", "a.ts"), "http://127.0.0.1:8080/a.ts");

    // An HLS playlist given as the source is one channel.
    const auto hls = parseM3u("#EXTM3U\n#EXT-X-TARGETDURATION:6\n#EXTINF:6.0,\nseg1.ts\n",
                              "http://127.0.0.1:8080/live/chan.m3u8");
    ASSERT_TRUE(hls.isOk());
    ASSERT_EQ(hls.value().entries.size(), 1u);
    EXPECT_EQ(hls.value().entries[0].url, "http://127.0.0.1:8080/live/chan.m3u8");

    EXPECT_EQ(parseM3u("#EXTM3U\n#EXTINF:-1,Nothing\n", "/x/l.m3u").message(),
              "The playlist /x/l.m3u holds no channels");
}

struct SourceCase {
    const char* value;
    SourceKind kind;
    const char* location;  // nullptr: refused
    const char* host;
};

TEST(CardSettings, SourceValuesReadWrittenAndRefused) {
    const SourceCase cases[] = {
        {"", SourceKind::Simulated, "", ""},
        {"  ", SourceKind::Simulated, "", ""},
        {"http://127.0.0.1", SourceKind::Tuner, "http://127.0.0.1", "127.0.0.1"},
        {"HTTP://tuner.local:5004/", SourceKind::Tuner, "http://tuner.local:5004", "tuner.local"},
        {"http://[::1]:80", SourceKind::Tuner, "http://[::1]:80", "[::1]"},
        {"m3u:/home/me/tv.m3u", SourceKind::Playlist, "/home/me/tv.m3u", ""},
        {"m3u: http://127.0.0.1/tv.m3u", SourceKind::Playlist, "http://127.0.0.1/tv.m3u", ""},
        {"dir:/srv/recordings", SourceKind::Folder, "/srv/recordings", ""},
        {"http://", SourceKind::Tuner, nullptr, ""},
        {"http://127.0.0.1:0", SourceKind::Tuner, nullptr, ""},
        {"http://127.0.0.1:99999", SourceKind::Tuner, nullptr, ""},
        {"http://127.0.0.1/lineup.json", SourceKind::Tuner, nullptr, ""},
        {"http://user@127.0.0.1", SourceKind::Tuner, nullptr, ""},
        {"m3u:", SourceKind::Playlist, nullptr, ""},
        {"ftp://127.0.0.1", SourceKind::Tuner, nullptr, ""},
        {"simulated", SourceKind::Tuner, nullptr, ""},
    };
    for (const SourceCase& c : cases) {
        const auto parsed = parseCardSource(c.value);
        if (c.location == nullptr) {
            EXPECT_FALSE(parsed.isOk()) << c.value;
            continue;
        }
        ASSERT_TRUE(parsed.isOk()) << c.value << ": " << parsed.message();
        EXPECT_EQ(parsed.value().kind, c.kind) << c.value;
        EXPECT_EQ(parsed.value().location, c.location) << c.value;
        EXPECT_EQ(parsed.value().host, c.host) << c.value;
        EXPECT_EQ(parseCardSource(formatCardSource(parsed.value())).value(), parsed.value());
    }
    EXPECT_EQ(parseCardSource("simulated").message(),
              "The card's source \"simulated\" is not one of http://HOST[:PORT], m3u:PLAYLIST or "
              "dir:FOLDER");

    testsupport::TempDir dir;
    const std::string ini = dir.file("tvcard.ini");
    EXPECT_EQ(readCardSource(ini).value().kind, SourceKind::Simulated);  // no file yet
    testsupport::writeFile(ini, "[slots]\n1=2.1\n");
    ASSERT_TRUE(writeCardSource(ini, parseCardSource("dir:/srv/tv").value()).isOk());
    EXPECT_EQ(readCardSource(ini).value().location, "/srv/tv");
    EXPECT_EQ(platform::findProfileValue(testsupport::readFile(ini), "slots", "1"), "2.1");
}

}  // namespace
