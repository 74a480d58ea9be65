#pragma once
// The outline of a span of sound for a waveform: for each of a number of
// columns the lowest and highest sample in it, every channel taken together.
// One pass over the samples, nothing allocated but the result.
#include <cstddef>
#include <vector>

namespace study {

struct WaveColumn {
    float low = 0.0F;   // in [-1, 1]
    float high = 0.0F;  // in [-1, 1], never below low
};

// frames interleaved samples of channels channels split into columns
// columns of (nearly) equal width. Fewer frames than columns give one column
// per frame; no frames (or no columns) give none.
std::vector<WaveColumn> summarise(const float* samples, std::size_t frames, int channels,
                                  std::size_t columns);

}  // namespace study
