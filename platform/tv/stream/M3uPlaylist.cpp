#include "platform/tv/stream/M3uPlaylist.h"

#include <algorithm>
#include <cctype>

namespace platform::tv::stream {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// "scheme://": letters, digits, '+', '-', '.' before it, starting with a letter.
std::size_t schemeEnd(std::string_view s) {
    const std::size_t colon = s.find("://");
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(s[0]))) {
        return std::string_view::npos;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') {
            return std::string_view::npos;
        }
    }
    return colon + 3;
}

// Names are shown on the picture: control characters go.
std::string printable(std::string_view s) {
    std::string out;
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            out += c;
        }
    }
    return out;
}

// The tvg-name="..." attribute of an #EXTINF line's attribute part.
std::string attribute(std::string_view attrs, std::string_view key) {
    std::size_t pos = 0;
    while ((pos = attrs.find(key, pos)) != std::string_view::npos) {
        const bool wordStart = pos == 0 || attrs[pos - 1] == ' ' || attrs[pos - 1] == '\t';
        const std::size_t eq = pos + key.size();
        if (wordStart && eq + 1 < attrs.size() && attrs[eq] == '=' && attrs[eq + 1] == '"') {
            const std::size_t close = attrs.find('"', eq + 2);
            if (close != std::string_view::npos) {
                return printable(attrs.substr(eq + 2, close - eq - 2));
            }
        }
        pos = eq;
    }
    return {};
}

// "#EXTINF:-1 tvg-name="A, B",Name": the name follows the first comma
// outside quotes.
void readExtinf(std::string_view line, std::string& name, std::string& tvgName) {
    std::string_view rest = line.substr(std::string_view("#EXTINF:").size());
    bool quoted = false;
    std::size_t comma = std::string_view::npos;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '"') {
            quoted = !quoted;
        } else if (rest[i] == ',' && !quoted) {
            comma = i;
            break;
        }
    }
    const std::string_view attrs = rest.substr(0, comma);
    tvgName = attribute(attrs, "tvg-name");
    name =
        comma == std::string_view::npos ? std::string() : printable(trim(rest.substr(comma + 1)));
}

std::string fileName(const std::string& location) {
    std::string_view s = location;
    s = s.substr(0, s.find_first_of("?#"));
    const std::size_t slash = s.find_last_of('/');
    return std::string(slash == std::string_view::npos ? s : s.substr(slash + 1));
}

}  // namespace

std::string resolveAgainst(const std::string& location, const std::string& ref) {
    if (schemeEnd(ref) != std::string_view::npos) {
        return ref;
    }
    const std::size_t authority = schemeEnd(location);
    if (authority == std::string_view::npos) {
        // A playlist file: paths are relative to its folder.
        if (!ref.empty() && ref.front() == '/') {
            return ref;
        }
        const std::size_t slash = location.find_last_of('/');
        return slash == std::string::npos ? ref : location.substr(0, slash + 1) + ref;
    }
    const std::string base = location.substr(0, location.find_first_of("?#", authority));
    const std::size_t pathStart = std::min(base.find('/', authority), base.size());
    if (!ref.empty() && ref.front() == '/') {
        return base.substr(0, pathStart) + ref;
    }
    const std::size_t slash = base.find_last_of('/');
    if (slash == std::string::npos || slash < pathStart) {
        return base + "/" + ref;
    }
    return base.substr(0, slash + 1) + ref;
}

Result<Playlist> parseM3u(std::string_view text, const std::string& location) {
    if (startsWith(text, "\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    Playlist list;
    // An HLS playlist is one channel, whose segments libavformat fetches.
    if (!location.empty() && (text.find("#EXT-X-TARGETDURATION") != std::string_view::npos ||
                              text.find("#EXT-X-STREAM-INF") != std::string_view::npos)) {
        std::string name = printable(fileName(location));
        if (name.empty()) {
            name = printable(location);
        }
        list.entries.push_back({name.empty() ? std::string("Playlist") : name, {}, location});
        return list;
    }
    std::string name;
    std::string tvgName;
    bool pending = false;
    int pendingLine = 0;
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++number;
        if (line.empty()) {
            continue;
        }
        if (startsWith(line, "#EXTINF:")) {
            if (pending) {
                list.warnings.push_back("line " + std::to_string(pendingLine) +
                                        ": a channel without an address");
            }
            readExtinf(line, name, tvgName);
            pending = true;
            pendingLine = number;
            continue;
        }
        if (line.front() == '#') {
            continue;  // the header, and tags this card has no use for
        }
        if (printable(line).size() != line.size()) {
            // Control characters: a damaged line, not an address.
            list.warnings.push_back("line " + std::to_string(number) + ": not an address");
            pending = false;
            continue;
        }
        PlaylistEntry entry;
        entry.url = resolveAgainst(location, std::string(line));
        entry.tvgName = pending ? tvgName : std::string();
        entry.name = pending && !name.empty() ? name : entry.tvgName;
        if (entry.name.empty()) {
            entry.name = printable(line);
        }
        list.entries.push_back(std::move(entry));
        pending = false;
    }
    if (pending) {
        list.warnings.push_back("line " + std::to_string(pendingLine) +
                                ": a channel without an address");
    }
    if (list.entries.empty()) {
        return Error{"The playlist " + location + " holds no channels"};
    }
    return list;
}

}  // namespace platform::tv::stream
