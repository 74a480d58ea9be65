#pragma once
// Bringing clips to one loudness: EBU R128 integrated loudness (libebur128),
// with the gain held back where it would take the true peak over a limit,
// so that normalising never clips.
#include <cstddef>

namespace study {

struct LoudnessTarget {
    double lufs = -16.0;
    double peakLimitDbtp = -1.0;
    double maxGainDb = 30.0;  // near-silence is not raised into loud noise
};

// The factor to multiply samples (interleaved, channels channels at rate Hz)
// by. 1 when the sound is too short or too quiet to measure (under 400 ms,
// or silent).
double normalisingGain(const float* samples, std::size_t frames, int channels, int rate,
                       const LoudnessTarget& target);

}  // namespace study
