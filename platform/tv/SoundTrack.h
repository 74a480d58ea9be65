#pragma once
// A station's sound: its format and length known from the start, its
// samples read only as they are played, so a station costs next to nothing
// until someone listens to it.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/core/Result.h"

namespace platform::tv {

// One listener's way into a track. Not shared between threads.
class SoundCursor {
  public:
    virtual ~SoundCursor() = default;
    // frames frames from frame at, interleaved in the track's channels;
    // 0 <= at and at + frames <= the track's frames.
    virtual Status read(int64_t at, float* out, std::size_t frames) = 0;
};

class SoundTrack {
  public:
    virtual ~SoundTrack() = default;
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }  // 1 or 2
    int64_t frames() const { return frames_; }
    // A cursor of its own for each listener, which reads on its own thread.
    virtual Result<std::unique_ptr<SoundCursor>> open() const = 0;

  protected:
    SoundTrack(int sampleRate, int channels, int64_t frames)
        : sampleRate_(sampleRate), channels_(channels), frames_(frames) {}

  private:
    int sampleRate_ = 0;
    int channels_ = 0;
    int64_t frames_ = 0;
};

}  // namespace platform::tv
