#pragma once
// Tone helpers: a sine written as a WAV file, and the Goertzel power of one
// frequency in a stretch of samples.
#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

namespace soundtest {

inline bool writeTone(const std::string& path, double hz, double seconds, int rate, int channels,
                      float amplitude) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        return false;
    }
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<float> buf(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const float v =
            amplitude * static_cast<float>(std::sin(2 * M_PI * hz * static_cast<double>(i) / rate));
        for (int c = 0; c < channels; ++c) {
            buf[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = v;
        }
    }
    sf_writef_float(f, buf.data(), static_cast<sf_count_t>(frames));
    return sf_close(f) == 0;
}

// Power of frequency hz in x[0..n), normalised by n.
inline double goertzel(const float* x, std::size_t n, double hz, int rate) {
    const double k = 2 * std::cos(2 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double s0 = x[i] + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - k * s1 * s2) / (static_cast<double>(n) * static_cast<double>(n));
}

}  // namespace soundtest
