#include "platform/tv/stream/CardSource.h"

#include <cctype>
#include <filesystem>

#include "platform/core/ProfileFile.h"

namespace platform::tv::stream {

namespace {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

Error notUnderstood(std::string_view value) {
    return Error{"The card's source \"" + std::string(value) +
                 "\" is not one of http://HOST[:PORT], m3u:PLAYLIST or dir:FOLDER"};
}

// "host", "host:5004", "[::1]:5004", with nothing after but slashes.
Result<CardSource> parseTuner(std::string_view value) {
    std::string_view rest = value.substr(std::string_view("http://").size());
    while (!rest.empty() && rest.back() == '/') {
        rest.remove_suffix(1);
    }
    std::string_view host = rest;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            return notUnderstood(value);
        }
        host = rest.substr(0, close + 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                return notUnderstood(value);
            }
            port = after.substr(1);
        }
    } else if (const std::size_t colon = rest.rfind(':'); colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (port.empty()) {
            return notUnderstood(value);
        }
    }
    const bool bracketed = !host.empty() && host.front() == '[';
    if (host.empty() || host == "[]") {
        return notUnderstood(value);
    }
    for (const char c : host) {
        const auto u = static_cast<unsigned char>(c);
        const bool ok = std::isalnum(u) || c == '.' || c == '-' || c == '_' ||
                        (bracketed && (c == ':' || c == '[' || c == ']'));
        if (!ok) {
            return notUnderstood(value);
        }
    }
    if (!port.empty()) {
        if (port.size() > 5) {
            return notUnderstood(value);
        }
        int n = 0;
        for (const char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return notUnderstood(value);
            }
            n = n * 10 + (c - '0');
        }
        if (n < 1 || n > 65535) {
            return Error{"The card's source \"" + std::string(value) +
                         "\" names a port outside 1..65535"};
        }
    }
    CardSource s;
    s.kind = SourceKind::Tuner;
    s.host = std::string(host);
    s.location = "http://" + s.host + (port.empty() ? "" : ":" + std::string(port));
    return s;
}

}  // namespace

Result<CardSource> parseCardSource(std::string_view value) {
    value = trimBlanks(value);
    if (value.empty()) {
        return CardSource{};
    }
    if (startsWithNoCase(value, "http://")) {
        return parseTuner(value);
    }
    const bool playlist = startsWithNoCase(value, "m3u:");
    if (playlist || startsWithNoCase(value, "dir:")) {
        const std::string_view where = trimBlanks(value.substr(4));
        if (where.empty()) {
            return Error{playlist ? "The card's source m3u: needs a playlist's path or address"
                                  : "The card's source dir: needs a folder"};
        }
        CardSource s;
        s.kind = playlist ? SourceKind::Playlist : SourceKind::Folder;
        s.location = std::string(where);
        return s;
    }
    return notUnderstood(value);
}

std::string formatCardSource(const CardSource& source) {
    switch (source.kind) {
        case SourceKind::Tuner:
            return source.location;
        case SourceKind::Playlist:
            return "m3u:" + source.location;
        case SourceKind::Folder:
            return "dir:" + source.location;
        case SourceKind::Simulated:
            break;
    }
    return {};
}

std::string cardSettingsPath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ((ec ? std::filesystem::current_path(ec) : exe.parent_path()) / "tvcard.ini").string();
}

Result<CardSource> readCardSource(const std::string& path) {
    return parseCardSource(GetPrivateProfileStringA(kCardSection, kSourceKey, "", path));
}

Status writeCardSource(const std::string& path, const CardSource& source) {
    return WritePrivateProfileStringA(kCardSection, kSourceKey, formatCardSource(source), path);
}

}  // namespace platform::tv::stream
