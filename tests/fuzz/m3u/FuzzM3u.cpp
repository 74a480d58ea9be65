// An IPTV playlist and the place it was read from (a path or a URL), as a
// user might point the card at any file: every entry has an address, names
// are printable, and a playlist is refused only when it holds no entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/tv/stream/M3uPlaylist.h"

namespace {
void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}
}  // namespace

// Input: location, NUL, playlist text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::tv::stream;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = all.find('\0');
    const std::string location(all.substr(0, cut));
    const std::string_view text =
        cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1);
    const auto list = parseM3u(text, location);
    if (!list) {
        require(!list.message().empty());
        return 0;
    }
    require(!list.value().entries.empty());
    for (const PlaylistEntry& e : list.value().entries) {
        require(!e.url.empty() && !e.name.empty());
        for (const char c : e.name) {
            require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }
        // A line of the playlist is one address: a line break can only come
        // from the location the playlist was read from.
        require(e.url.find('\n') == std::string::npos || location.find('\n') != std::string::npos);
    }
    return 0;
}
