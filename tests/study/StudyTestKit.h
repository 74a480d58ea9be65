#pragma once
// Recordings for the study tests: a WAV of known content written with
// libsndfile in any of the recorder's formats, and a script beside it.
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace studytest {

// A sound whose every stretch differs from every other: a chirp rising from
// 200 Hz with a slow level swing, in each channel a little apart, so a clip
// found in it by correlation can only sit in one place.
inline std::vector<float> chirp(int rate, int channels, int64_t frames, float level = 0.3F) {
    std::vector<float> out(static_cast<std::size_t>(frames * channels));
    double phase = 0.0;
    for (int64_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / rate;
        phase += 2.0 * M_PI * (200.0 + 37.0 * std::fmod(t * 3.1, 29.0)) / rate;
        const double swing = 0.6 + 0.4 * std::sin(2.0 * M_PI * 0.7 * t);
        for (int c = 0; c < channels; ++c) {
            out[static_cast<std::size_t>(f * channels + c)] =
                static_cast<float>(level * swing * std::sin(phase + c * 0.5));
        }
    }
    return out;
}

// format: SF_FORMAT_WAV or SF_FORMAT_RF64 with SF_FORMAT_PCM_U8 or _PCM_16.
inline bool writeWav(const std::string& path, int rate, int channels, int format,
                     const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

}  // namespace studytest
