#pragma once
// A station's sound as a stream carries it: 48 kHz stereo, looping with the
// programme (silence from the end of the sound to the end of the programme).
#include <cstdint>
#include <vector>

#include "platform/core/Result.h"
#include "platform/tv/Station.h"

namespace tools::stream {

constexpr int kStreamRate = 48000;

class ProgrammeSound {
  public:
    // Converts the whole sound once; a station's sound is minutes, not hours.
    static platform::Result<ProgrammeSound> of(const platform::tv::Station& station);

    // Stereo frames [at, at + frames) of the looping programme, interleaved.
    void take(int64_t at, std::size_t frames, float* out) const;

    int64_t periodFrames() const { return period_; }

  private:
    std::vector<float> stereo_;  // interleaved, one period at most
    int64_t period_ = 1;
};

}  // namespace tools::stream
