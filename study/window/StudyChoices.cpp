#include "study/window/StudyChoices.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "platform/core/ProfileFile.h"

namespace study {

namespace {

constexpr const char* kPlayback = "playback";
constexpr const char* kExport = "export";

int readMs(const StoredValue& stored, const char* section, const char* key, int def) {
    const std::optional<std::string> text = stored(section, key);
    if (!text) {
        return def;
    }
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [at, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || at != end || value < 0 || value > kMaxPaddingMs) {
        return def;
    }
    return value;
}

bool readFlag(const StoredValue& stored, const char* section, const char* key, bool def) {
    const std::optional<std::string> text = stored(section, key);
    if (text == "1") {
        return true;
    }
    if (text == "0") {
        return false;
    }
    return def;
}

std::string flag(bool on) {
    return on ? "1" : "0";
}

}  // namespace

PlaybackChoices readPlaybackChoices(const StoredValue& stored) {
    PlaybackChoices c;
    c.padding.beforeMs = readMs(stored, kPlayback, "PadBeforeMs", c.padding.beforeMs);
    c.padding.afterMs = readMs(stored, kPlayback, "PadAfterMs", c.padding.afterMs);
    c.loop = readFlag(stored, kPlayback, "Loop", c.loop);
    c.advance = readFlag(stored, kPlayback, "NextRow", c.advance);
    return c;
}

ExportChoices readExportChoices(const StoredValue& stored) {
    ExportChoices c;
    const std::optional<std::string> rows = stored(kExport, "Rows");
    if (rows == "all") {
        c.rows = RowChoice::All;
    } else if (rows == "marked") {
        c.rows = RowChoice::Marked;
    }
    c.anki = readFlag(stored, kExport, "Anki", c.anki);
    c.clips = readFlag(stored, kExport, "Clips", c.clips);
    const std::optional<std::string> format = stored(kExport, "ClipFormat");
    if (format == "mp3") {
        c.clipFormat = ClipFormat::Mp3;
    } else if (format == "opus") {
        c.clipFormat = ClipFormat::Opus;
    }
    c.condensed = readFlag(stored, kExport, "Condensed", c.condensed);
    c.srt = readFlag(stored, kExport, "Srt", c.srt);
    c.vtt = readFlag(stored, kExport, "WebVtt", c.vtt);
    c.folder = stored(kExport, "Folder").value_or("");
    return c;
}

std::vector<StoredEntry> entriesOf(const PlaybackChoices& c) {
    return {{kPlayback, "PadBeforeMs", std::to_string(c.padding.beforeMs)},
            {kPlayback, "PadAfterMs", std::to_string(c.padding.afterMs)},
            {kPlayback, "Loop", flag(c.loop)},
            {kPlayback, "NextRow", flag(c.advance)}};
}

std::vector<StoredEntry> entriesOf(const ExportChoices& c) {
    return {{kExport, "Rows", c.rows == RowChoice::All ? "all" : "marked"},
            {kExport, "Anki", flag(c.anki)},
            {kExport, "Clips", flag(c.clips)},
            {kExport, "ClipFormat", c.clipFormat == ClipFormat::Opus ? "opus" : "mp3"},
            {kExport, "Condensed", flag(c.condensed)},
            {kExport, "Srt", flag(c.srt)},
            {kExport, "WebVtt", flag(c.vtt)},
            {kExport, "Folder", c.folder}};
}

std::string studySettingsPath(const char* xdgConfigHome, const char* home) {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base
    // directory rules say.
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
        return std::string(xdgConfigHome) + "/cuelark/study.ini";
    }
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config/cuelark/study.ini";
    }
    return {};
}

StoredValue StudySettings::reader() const {
    return [path = path_](const std::string& section,
                          const std::string& key) -> std::optional<std::string> {
        if (path.empty()) {
            return std::nullopt;
        }
        // A value no one could store tells a missing key from an empty one.
        static const std::string kMissing("\n");
        std::string value = platform::GetPrivateProfileStringA(section, key, kMissing, path);
        if (value == kMissing) {
            return std::nullopt;
        }
        return value;
    };
}

PlaybackChoices StudySettings::playback() const {
    return readPlaybackChoices(reader());
}

ExportChoices StudySettings::exportChoices() const {
    return readExportChoices(reader());
}

platform::Status StudySettings::store(const PlaybackChoices& choices) const {
    return write(entriesOf(choices));
}

platform::Status StudySettings::store(const ExportChoices& choices) const {
    return write(entriesOf(choices));
}

platform::Status StudySettings::write(const std::vector<StoredEntry>& entries) const {
    if (path_.empty()) {
        return platform::Error{
            "There is no folder for settings (neither XDG_CONFIG_HOME nor HOME is set)."};
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    if (error) {
        return platform::Error{"Cannot create the folder of '" + path_ + "': " + error.message()};
    }
    for (const StoredEntry& e : entries) {
        platform::Status written =
            platform::WritePrivateProfileStringA(e.section, e.key, e.value, path_);
        if (!written) {
            return written;
        }
    }
    return {};
}

}  // namespace study
