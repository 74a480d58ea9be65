#pragma once
// Where the network card's channels come from, as `Source` in section
// [card] of the card's settings file tvcard.ini beside the executable:
//   http://HOST[:PORT]    a network tuner
//   m3u:PATH_OR_URL       an IPTV playlist
//   dir:FOLDER            a folder of recordings, one channel per file
//   empty or missing      the simulated card
// The file belongs to the card alone; the program's cuelark.ini is never
// touched. Read and written through the profile-file layer.
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace platform::tv::stream {

enum class SourceKind { Simulated = 1, Tuner, Playlist, Folder };

struct CardSource {
    SourceKind kind = SourceKind::Simulated;
    // Tuner: "http://host:port" (no trailing slash; the port only when given);
    // Playlist: the path or URL; Folder: the path. Empty for Simulated.
    std::string location;
    // Tuner: the host alone, for "Tuner not reachable: HOST".
    std::string host;
    bool operator==(const CardSource&) const = default;
};

constexpr const char* kCardSection = "card";
constexpr const char* kSourceKey = "Source";

// Blanks around the value are ignored. A value that fits none of the forms
// is an error that quotes it and lists the forms.
Result<CardSource> parseCardSource(std::string_view value);
// The value that parses back to source.
std::string formatCardSource(const CardSource& source);

// tvcard.ini beside the running executable.
std::string cardSettingsPath();
// The source in the settings file at path; a missing file or key is the
// simulated card.
Result<CardSource> readCardSource(const std::string& path);
Status writeCardSource(const std::string& path, const CardSource& source);

}  // namespace platform::tv::stream
