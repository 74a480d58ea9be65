#pragma once
// A running recording's journal and its sound file's name, side by side in
// the folder the recording is made in, both hidden:
//   .NAME.XXXXXX.recording.journal   the script's rows and checks so far
//   .NAME.XXXXXX.recording.wav       the sound so far
// The journal is locked while its program runs, so the next start can tell
// a recording that was cut off from one that is still being made.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "captions/ScriptListener.h"
#include "platform/core/LockedFile.h"
#include "platform/core/Result.h"

namespace recording {

inline constexpr std::string_view kJournalSuffix = ".recording.journal";
inline constexpr std::string_view kSoundSuffix = ".recording.wav";

// The sound file that goes with a journal.
std::string soundPathForJournal(const std::string& journalPath);

class RecordingJournal final : public ScriptListener {
  public:
    // A new journal for a recording called name, in folder.
    static platform::Result<std::unique_ptr<RecordingJournal>> create(const std::string& folder,
                                                                      const std::string& name);
    // Rows and checks kept in memory only, where no journal could be made.
    static std::unique_ptr<RecordingJournal> inMemory();

    bool onDisk() const { return file_.has_value(); }
    // Empty for one in memory only.
    std::string path() const { return file_ ? file_->path() : std::string(); }
    std::string soundPath() const { return file_ ? soundPathForJournal(path()) : std::string(); }

    // Where the recording's files go: written once both are known, and
    // again when the script goes elsewhere.
    void setDestinations(const std::string& wavPath, const std::string& scriptPath);
    void setScriptPath(const std::string& scriptPath);

    void rowCommitted(std::string_view row) override;
    void checked(int32_t line) override;

    // Everything written so far, also kept here for when the script file
    // cannot take it.
    const std::vector<std::string>& rows() const { return rows_; }
    const std::set<int32_t>& checks() const { return checks_; }
    // The first append that failed; the journal is incomplete from there.
    const platform::Status& writeStatus() const { return writeStatus_; }
    // The journal holds every row and check, under its name.
    bool intact() const { return file_ && writeStatus_.isOk() && !file_->unlinked(); }

    platform::Status remove() { return file_ ? file_->remove() : platform::Status::ok(); }

  private:
    explicit RecordingJournal(std::optional<platform::LockedFile> file) : file_(std::move(file)) {}
    void append(const std::string& text);

    std::optional<platform::LockedFile> file_;
    std::vector<std::string> rows_;
    std::set<int32_t> checks_;
    platform::Status writeStatus_;
};

}  // namespace recording
