#pragma once
// Sound played on the system's output: the program hands over a source the
// device pulls from as it needs more. The real output is the default device
// through Qt Multimedia (QtAudioOut.cpp); tests pull from a source themselves.
#include <cstddef>
#include <functional>
#include <memory>

#include "platform/core/Result.h"

namespace platform::playback {

struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;
};

// Interleaved float frames, from -1 to 1.
class PcmSource {
  public:
    virtual ~PcmSource() = default;
    // Fills up to `frames` frames of `out`; returns how many. Fewer than asked
    // (0 included) means the sound ends there. Called on the thread that made
    // the output (Qt's sinks pull on their own thread's event loop).
    virtual std::size_t pull(float* out, std::size_t frames) = 0;
};

class AudioOut {
  public:
    virtual ~AudioOut() = default;
    // Readies the output for sound of this format, so that play() starts at
    // once; the error says in words why nothing can be played (no output
    // device, a format the device does not take).
    virtual Status prepare(const PcmFormat& format) = 0;
    // Starts pulling from source, which must outlive the play; stops what
    // was playing first. Nothing happens before a successful prepare().
    virtual void play(PcmSource& source) = 0;
    virtual void stop() = 0;
    // From play() until the device has played the end of the source or
    // stop() was called.
    virtual bool playing() const = 0;
    // Seconds of sound the device has played since play(): what is heard now.
    virtual double secondsPlayed() const = 0;
    // Called on the thread that made the output once the device has played
    // a source's end (not after stop()).
    void setFinishedHandler(std::function<void()> handler) { finished_ = std::move(handler); }

  protected:
    void finished() {
        if (finished_) {
            finished_();
        }
    }

  private:
    std::function<void()> finished_;
};

// The system's default output device.
std::unique_ptr<AudioOut> makeDefaultAudioOut();

}  // namespace platform::playback
