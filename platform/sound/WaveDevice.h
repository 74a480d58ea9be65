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

class WaveDevice {
  public:
    WaveDevice() = default;
    ~WaveDevice();

    // Takes effect at the next record; refused while recording.
    MciReply setFormat(const WaveFormat& f);
    const WaveFormat& format() const { return format_; }

    // Discards what was recorded and starts an empty recording whose first
    // frame is startTime on the program clock.
    MciReply record(std::unique_ptr<WaveInput> input, double startTime);
    // Moves whatever the input has captured into the recording file.
    void pump();
    MciReply stop();
    // Stops capture if it still runs and writes the recording to path.
    MciReply save(const std::string& path);
    // Stops capture and drops an unsaved recording (kept if a save failed,
    // since the failed save named the file to the user).
    void close();

    bool recording() const { return input_ != nullptr; }
    // Why the input failed during this recording, empty when it did not.
    const std::string& lostReason() const { return lost_; }

  private:
    class Sink;
    void endCapture(bool keep);

    WaveFormat format_;
    std::unique_ptr<WaveInput> input_;
    std::unique_ptr<TempWavFile> file_;  // the recording until it is saved
    std::string savedPath_;              // where the last save put it
    std::string keptPath_;               // a finished recording whose save failed
    Status captureError_;                // a write that failed while recording
    std::string lost_;
};

}  // namespace platform::sound
