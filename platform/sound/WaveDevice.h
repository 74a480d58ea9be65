#pragma once
// One open "waveaudio" device: a new recording, its format, and the capture
// that fills it.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sound/TempWavFile.h"
#include "platform/sound/WaveFormat.h"
#include "platform/sound/WaveInput.h"

namespace platform::sound {

// A command's outcome: 0 and the reply, or an MCI error code and its text.
struct MciReply {
    uint32_t code = 0;
    std::string text;
    bool isOk() const { return code == 0; }
};

// Where a recording is made. file empty: an anonymous file in the temporary
// folder, deleted unless saved. Otherwise exactly there (it must not exist
// yet), and never deleted: a recording that cannot be saved where asked is
// saved under the asked name in keepFolder (or beside file) instead.
// companion: a file deleted once the recording is saved (its journal), when
// the save finishes after the save command returned (a copy onto another
// file system, which runs in the background).
struct RecordingPlace {
    std::string file;
    std::string keepFolder;
    std::string companion;
};

class WaveDevice {
  public:
    WaveDevice() = default;
    ~WaveDevice();

    // Takes effect at the next record; refused while recording.
    MciReply setFormat(const WaveFormat& f);
    const WaveFormat& format() const { return format_; }

    // Discards what was recorded and starts an empty recording at place
    // whose first frame is startTime on the program clock.
    MciReply record(std::unique_ptr<WaveInput> input, double startTime,
                    const RecordingPlace& place = {});
    // Moves whatever the input has captured into the recording file. When
    // the file cannot take it, capture ends at once (nothing piles up in
    // memory) and takeProblem() says why.
    void pump();
    MciReply stop();
    // Stops capture if it still runs and writes the recording to path.
    MciReply save(const std::string& path);
    // Stops capture and lets go of an unsaved recording: an anonymous one is
    // deleted (kept if a save failed, since the failed save named the file),
    // a placed one stays where it is.
    void close();

    bool recording() const { return input_ != nullptr; }
    // Why the input failed during this recording, empty when it did not.
    const std::string& lostReason() const { return lost_; }
    // Why the sound stopped being recorded, in the user's words, once:
    // empty when nothing new went wrong.
    std::string takeProblem();

  private:
    class Sink;
    void endCapture(bool keep);
    MciReply saveHeld(const std::string& path);

    WaveFormat format_;
    RecordingPlace place_;
    std::unique_ptr<WaveInput> input_;
    std::unique_ptr<TempWavFile> file_;  // the recording while it is being made
    std::unique_ptr<TempWavFile> held_;  // finished, until saved
    std::string savedPath_;              // where the last save put it
    Status captureError_;                // a write that failed while recording
    std::string problem_;                // what captureError_ means to the user
    bool problemTold_ = false;
    std::string lost_;
};

}  // namespace platform::sound
