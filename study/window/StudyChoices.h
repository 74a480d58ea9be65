#pragma once
// What the Review window and its Export dialog remember between sessions,
// per user: the padding played around each row, loop and step-on choices,
// and the last export's choices. Kept in a small settings file of the user's
// own (study.ini, sections [playback] and [export]), never in the program's
// settings file.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Result.h"
#include "study/export/ExportOptions.h"
#include "study/sound/SoundSpan.h"

namespace study {

// Padding is kept within this, either edge.
inline constexpr int kMaxPaddingMs = 2000;

struct PlaybackChoices {
    Padding padding;
    bool loop = false;
    bool advance = false;  // step on to the next row when one ends
    bool operator==(const PlaybackChoices&) const = default;
};

struct ExportChoices {
    RowChoice rows = RowChoice::Marked;
    bool anki = true;
    bool clips = false;
    ClipFormat clipFormat = ClipFormat::Mp3;
    bool condensed = false;
    bool srt = false;
    bool vtt = false;
    std::string folder;  // empty: the recording's own folder
    bool operator==(const ExportChoices&) const = default;
};

// A stored value by section and key; nullopt when there is none.
using StoredValue =
    std::function<std::optional<std::string>(const std::string& section, const std::string& key)>;
struct StoredEntry {
    std::string section;
    std::string key;
    std::string value;
};

// Anything missing or not understood reads as its default, so a hand-edited
// or older file never stops the window.
PlaybackChoices readPlaybackChoices(const StoredValue& stored);
ExportChoices readExportChoices(const StoredValue& stored);
std::vector<StoredEntry> entriesOf(const PlaybackChoices& choices);
std::vector<StoredEntry> entriesOf(const ExportChoices& choices);

// $XDG_CONFIG_HOME/cuelark/study.ini, else $HOME/.config/cuelark/study.ini;
// empty when neither is set (then nothing is remembered).
std::string studySettingsPath(const char* xdgConfigHome, const char* home);

class StudySettings {
  public:
    explicit StudySettings(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    PlaybackChoices playback() const;
    ExportChoices exportChoices() const;
    // Creates the file's folder as needed; the message names the file.
    platform::Status store(const PlaybackChoices& choices) const;
    platform::Status store(const ExportChoices& choices) const;

  private:
    StoredValue reader() const;
    platform::Status write(const std::vector<StoredEntry>& entries) const;
    std::string path_;
};

}  // namespace study
