#pragma once
// One listener's running conversion of a station's sound to the rate it is
// heard at. The sound is read from its file ahead of the listener and
// converted as it is taken, so memory stays flat and nothing waits up front
// however long the station is; a listener that goes on from where it stopped
// gets one seamless stream.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/tv/ResampledStream.h"
#include "platform/tv/SoundReadAhead.h"
#include "platform/tv/Station.h"

namespace platform::tv {

class StationStream {
  public:
    // Whether a render of s at rate from `at` goes on from the last one:
    // a frame either side counts, for times that round either way.
    bool continues(const Station& s, int rate, int64_t at) const {
        return stream_.continues(describe(s), rate, at);
    }
    // The frame the last render ended before.
    int64_t nextAt() const { return stream_.nextAt(); }

    // frames frames of s's sound in s.channels channels at rate, from frame
    // at >= 0 of the programme counted at that rate; silence past the sound's end.
    void render(const Station& s, int rate, int64_t at, float* out, std::size_t frames);

    // Forgets the station, whose sound may no longer exist.
    void clear();

  private:
    static ResampledStream::Source describe(const Station& s) {
        return {&s, s.sampleRate(), s.channels(), {}};
    }

    const Station* station_ = nullptr;  // the station sound_ reads
    std::unique_ptr<SoundReadAhead> sound_;
    ResampledStream stream_;
};

}  // namespace platform::tv
