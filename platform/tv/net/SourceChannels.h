#pragma once
// The channels a source offers, in one form whatever the source: a tuner's
// lineup, a playlist's entries, a folder's recordings. Each has the key the
// slot map keeps it under and what the picture says when it is tuned.
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/tv/stream/Lineup.h"
#include "platform/tv/stream/M3uPlaylist.h"

namespace platform::tv::net {

struct SourceChannel {
    std::string key;     // the slot map's: GuideNumber, entry name, file name
    std::string number;  // GuideNumber; empty for playlists and folders
    std::string name;    // GuideName, entry name, file name
    std::string url;     // the stream's URL, or the recording's path
    bool drm = false;    // protected: the card cannot show it
};

// In guide order ("2.1" < "2.10" < "10.1").
std::vector<SourceChannel> channelsOfLineup(const stream::Lineup& lineup);
// In the playlist's order; a name that comes again gets " (2)", " (3)"...
std::vector<SourceChannel> channelsOfPlaylist(const stream::Playlist& playlist);
// The recordings in folder (.ts, .m2ts, .mov, .mp4, any case), in name
// order; an error names the folder and the system's reason.
Result<std::vector<SourceChannel>> channelsOfFolder(const std::string& folder);

// The keys, in the order given, for the slot map.
std::vector<std::string> keysOf(const std::vector<SourceChannel>& channels);
// The channel with this key, or nullptr.
const SourceChannel* findChannel(const std::vector<SourceChannel>& channels,
                                 const std::string& key);

// What the picture shows after a tuning: "7 · 2.1 KCBS" or "7 · news.ts".
std::string tuningLabel(int slot, const SourceChannel& channel);

}  // namespace platform::tv::net
