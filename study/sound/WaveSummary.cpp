#include "study/sound/WaveSummary.h"

#include <algorithm>

namespace study {

std::vector<WaveColumn> summarise(const float* samples, std::size_t frames, int channels,
                                  std::size_t columns) {
    std::vector<WaveColumn> out;
    if (frames == 0 || columns == 0 || channels <= 0) {
        return out;
    }
    columns = std::min(columns, frames);
    out.resize(columns);
    const auto width = static_cast<std::size_t>(channels);
    for (std::size_t c = 0; c < columns; ++c) {
        // Column c covers frames [c * frames / columns, (c + 1) * frames / columns).
        const std::size_t from = c * frames / columns * width;
        const std::size_t to = (c + 1) * frames / columns * width;
        const auto [low, high] = std::minmax_element(samples + from, samples + to);
        out[c].low = std::clamp(*low, -1.0F, 1.0F);
        out[c].high = std::clamp(*high, -1.0F, 1.0F);
    }
    return out;
}

}  // namespace study
