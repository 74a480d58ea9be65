#include "study/export/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace study {

double normalisingGain(const float* samples, std::size_t frames, int channels, int rate,
                       const LoudnessTarget& target) {
    if (frames == 0 || channels <= 0 || rate <= 0) {
        return 1.0;
    }
    const std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> state(
        ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK),
        [](ebur128_state* s) { ebur128_destroy(&s); });
    if (!state || ebur128_add_frames_float(state.get(), samples, frames) != EBUR128_SUCCESS) {
        return 1.0;
    }
    double loudness = 0.0;
    if (ebur128_loudness_global(state.get(), &loudness) != EBUR128_SUCCESS ||
        !std::isfinite(loudness)) {
        return 1.0;
    }
    double peak = 0.0;
    for (int c = 0; c < channels; ++c) {
        double channelPeak = 0.0;
        if (ebur128_true_peak(state.get(), static_cast<unsigned>(c), &channelPeak) ==
            EBUR128_SUCCESS) {
            peak = std::max(peak, channelPeak);
        }
    }
    double gainDb = std::min(target.lufs - loudness, target.maxGainDb);
    if (peak > 0.0) {
        gainDb = std::min(gainDb, target.peakLimitDbtp - 20.0 * std::log10(peak));
    }
    return std::pow(10.0, gainDb / 20.0);
}

}  // namespace study
