#pragma once
// A recording opened for study: its script and the WAV of the same name
// beside it ("news.txt" and "news.wav"), as the Review window shows them.
//
// Rows keep their order and number. What the user changes:
// - the offset of the whole recording, in 100 ms steps: every row moves
//   against the sound, for broadcasts whose captions lag the speech;
// - either edge of one row, in 50 ms steps;
// - the mark of a row.
// All of it is in the rows' times, so the list, playback, exports and the
// saved file agree: save() writes the rows as they now stand (offset
// included) in the script's own format, and rows left alone keep their
// bytes. A script opened and saved without changes is the same file.
//
// Used from one thread (the window's). Not copyable; the window keeps one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "study/export/ExportSource.h"
#include "study/script/ScriptFile.h"
#include "study/sound/SoundSpan.h"
#include "study/sound/WavReader.h"

namespace study {

inline constexpr int kOffsetStepCs = 10;  // 100 ms
inline constexpr int kEdgeStepCs = 5;     // 50 ms

struct StudyRow {
    int lineNumber = 0;   // the line of the script it came from
    int64_t startCs = 0;  // where the row now lies in the sound
    int64_t endCs = 0;
    std::string text;  // UTF-8, for display
    bool marked = false;
};

class Recording {
  public:
    // Reads the script at scriptPath and opens the WAV beside it. Fails only
    // when the script itself cannot be read (missing, unreadable), with a
    // message naming it. Malformed lines are not a failure: they are in
    // problems() and kept in the file. A missing or unreadable WAV is not a
    // failure either: the recording opens without sound, and
    // noSoundReason() says why.
    static platform::Result<std::unique_ptr<Recording>> open(const std::string& scriptPath);

    const std::string& scriptPath() const { return script_.path; }
    const std::string& wavPath() const { return wavPath_; }
    const std::string& name() const { return name_; }  // "news" for ".../news.txt"

    // The lines that are not rows, "line N: why", in file order.
    const std::vector<ScriptProblem>& problems() const { return script_.text.problems; }

    std::size_t rowCount() const { return rows_.size(); }
    const StudyRow& row(std::size_t i) const { return rows_.at(i); }
    const std::vector<StudyRow>& rows() const { return rows_; }

    // How far every row has been moved against the sound since the script
    // was opened, in centiseconds (positive: the rows lie later).
    int64_t offsetCs() const { return offsetCs_; }
    void moveOffset(int steps);  // steps of kOffsetStepCs, either sign

    // Moves one edge by steps of kEdgeStepCs (either sign). The start never
    // passes the end nor the end the start: a row can shrink to nothing but
    // not turn round.
    void moveStart(std::size_t i, int steps);
    void moveEnd(std::size_t i, int steps);

    void setMarked(std::size_t i, bool marked);

    // Whether the rows differ from the file as last read or saved.
    bool modified() const;

    // Writes the rows into the script (see saveScriptFile: atomic, a backup
    // of the recorded script the first time, refused when the file was
    // changed by someone else since it was read). On success modified() is
    // false; on failure nothing changes and the message says why.
    platform::Status save();

    // Sound. Without it the rows are still listed, exported as subtitles and
    // saved; nothing plays.
    bool hasSound() const { return sound_ != nullptr; }
    const std::string& noSoundReason() const { return noSoundReason_; }
    const WavInfo* soundInfo() const { return sound_ ? &sound_->info() : nullptr; }
    // Row i with padding in frames of the sound. Not playable without sound
    // or when the row starts at or past the end of the WAV (a WAV shorter
    // than its script): such rows are listed but have no sound.
    FrameSpan spanOf(std::size_t i, const Padding& padding) const;
    bool playable(std::size_t i) const { return spanOf(i, Padding{0, 0}).playable; }
    // The sound of a span given by spanOf (the window plays it, summarises
    // it for the waveform). Fails without sound or on a read error.
    platform::Status readSpan(const FrameSpan& span, std::vector<int16_t>& out);
    platform::Status readSpan(const FrameSpan& span, std::vector<float>& out);

    // A copy of everything an export needs, with the rows as they now stand.
    // recordedAt is when the WAV's recording started (its last change less
    // its length); without a WAV, when the recorded script was written (its
    // backup's last change, else the script's).
    ExportSource exportSource() const;

    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

  private:
    Recording() = default;
    ScriptRow scriptRow(std::size_t i) const;

    ScriptFile script_;  // bytes as last read or saved, and their parsed rows
    std::vector<StudyRow> rows_;
    std::string name_;
    std::string wavPath_;
    int64_t offsetCs_ = 0;
    std::unique_ptr<WavReader> sound_;
    std::string noSoundReason_;
    int64_t recordedAt_ = 0;
};

}  // namespace study
