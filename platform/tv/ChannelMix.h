#pragma once
// Interleaved sound from one channel count to another, as a line output
// would: mono doubled onto both sides, stereo averaged into one.
#include <algorithm>
#include <cstddef>

namespace platform::tv {

inline void mixChannels(const float* in, int inChannels, float* out, int outChannels,
                        std::size_t frames) {
    const auto inCh = static_cast<std::size_t>(inChannels);
    const auto outCh = static_cast<std::size_t>(outChannels);
    for (std::size_t i = 0; i < frames; ++i) {
        const float* from = in + i * inCh;
        float* to = out + i * outCh;
        if (inCh == outCh) {
            std::copy(from, from + outCh, to);
        } else if (outCh == 2) {
            to[0] = to[1] = from[0];
        } else {
            to[0] = 0.5f * (from[0] + from[1]);
        }
    }
}

}  // namespace platform::tv
