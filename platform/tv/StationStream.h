#pragma once
// One listener's running conversion of a station's sound to the rate it is
// heard at. The sound is read from its file and converted as it is taken, so
// memory stays flat and nothing waits up front however long the station is;
// a listener that goes on from where it stopped gets one seamless stream.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound/StreamResampler.h"
#include "platform/tv/SoundReadAhead.h"
#include "platform/tv/Station.h"

namespace platform::tv {

class StationStream {
  public:
    // Whether a render of s at rate from `at` goes on from the last one:
    // a frame either side counts, for times that round either way.
    bool continues(const Station& s, int rate, int64_t at) const;
    // The frame the last render ended before.
    int64_t nextAt() const { return nextAt_; }

    // frames frames of s's sound in s.channels channels at rate, from frame
    // at >= 0 of the programme counted at that rate; silence past the sound's end.
    void render(const Station& s, int rate, int64_t at, float* out, std::size_t frames);

    // Forgets the station, whose sound may no longer exist.
    void clear();

  private:
    static int64_t floorDiv(int64_t a, int64_t b);
    void restart(const Station& s, int rate, int64_t at);
    void convertMore();
    std::size_t pendingFrames() const;

    const Station* station_ = nullptr;
    int rate_ = 0;
    int64_t nextAt_ = 0;  // the programme frame pending_[head_] is for
    int64_t nextIn_ = 0;  // the station's next frame to convert
    std::unique_ptr<SoundReadAhead> sound_;
    std::unique_ptr<sound::StreamResampler> converter_;
    std::vector<float> pending_;  // converted, not yet taken
    std::size_t head_ = 0;        // samples of pending_ already taken
    std::vector<float> input_;
};

}  // namespace platform::tv
