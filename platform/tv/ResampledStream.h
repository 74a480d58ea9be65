#pragma once
// One listener's running conversion of a sound to the rate it is heard at.
// The sound is read from its source a block at a time as it is taken, so
// memory stays flat and nothing waits up front however long the sound is; a
// listener that goes on from where it stopped gets one seamless stream.
// The source is given by a fetch function and an identity, so a station's
// programme and a live stream's sound both convert the same way.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/sound/StreamResampler.h"

namespace platform::tv {

class ResampledStream {
  public:
    // Fills frames frames of the source, in its channel count, from source
    // frame `from` (which may be negative); silence where it has none.
    using Fetch = std::function<void(int64_t from, float* out, std::size_t frames)>;
    struct Source {
        const void* id = nullptr;  // the same sound keeps the same id
        int rate = 0;
        int channels = 0;  // 1 or 2
        Fetch fetch;
    };

    // Whether a render of source at rate from `at` goes on from the last one:
    // a frame either side counts, for times that round either way.
    bool continues(const Source& source, int rate, int64_t at) const;
    // The frame the last render ended before.
    int64_t nextAt() const { return nextAt_; }
    // The source frames read so far end before this one; a change of the
    // source's sound before it is not heard by this stream until it restarts.
    int64_t fetchedUntil() const { return nextIn_; }

    // frames frames in source.channels channels at rate, from frame `at` of
    // the sound counted at that rate (frame 0 is the source's frame 0).
    void render(const Source& source, int rate, int64_t at, float* out, std::size_t frames);

    // Forgets the source, whose sound may no longer exist.
    void clear();

  private:
    static int64_t floorDiv(int64_t a, int64_t b);
    void restart(const Source& s, int rate, int64_t at);
    void convertMore(const Source& s);
    std::size_t pendingFrames() const;

    const void* id_ = nullptr;
    int sourceRate_ = 0;
    int channels_ = 0;
    int rate_ = 0;
    int64_t nextAt_ = 0;  // the frame pending_[head_] is for
    int64_t nextIn_ = 0;  // the source's next frame to convert
    std::unique_ptr<sound::StreamResampler> converter_;
    std::vector<float> pending_;  // converted, not yet taken
    std::size_t head_ = 0;        // samples of pending_ already taken
    std::vector<float> input_;
};

}  // namespace platform::tv
