#pragma once
// IPTV playlists (M3U): "#EXTM3U", then for each channel an
// "#EXTINF:-1 tvg-name="..." group-title="...",Name" line and the line with
// its URL or path. Relative paths and URLs are resolved against the
// playlist's own location (its folder, or its URL's folder).
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace platform::tv::stream {

struct PlaylistEntry {
    std::string name;     // the text after the #EXTINF comma; else tvg-name; else the URL
    std::string tvgName;  // the tvg-name attribute, if any
    std::string url;      // an absolute URL or path
};

struct Playlist {
    std::vector<PlaylistEntry> entries;
    std::vector<std::string> warnings;  // "line N: ..." for lines left out
};

// location: the playlist's path or URL, against which relative entries are
// resolved. Lines end in LF or CR LF; a UTF-8 byte-order mark is skipped.
// Without the "#EXTM3U" header the text is still read when it holds URLs,
// but a text with no entry at all is an error.
Result<Playlist> parseM3u(std::string_view text, const std::string& location);

// Resolves ref against the playlist at location: an absolute URL or path
// stays as it is; "/x" on an http location keeps its scheme and host.
std::string resolveAgainst(const std::string& location, const std::string& ref);

}  // namespace platform::tv::stream
