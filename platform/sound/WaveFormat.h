#pragma once
// The PCM format of a recording, as the "set" command gives it.
#include <cstdint>
#include <string>

#include "platform/core/Result.h"

namespace platform::sound {

struct WaveFormat {
    int32_t samplesPerSec = 11025;  // a new waveaudio recording starts as 11025 Hz 8-bit mono
    int32_t channels = 1;
    int32_t bitsPerSample = 8;

    int32_t blockAlign() const { return channels * bitsPerSample / 8; }
    int32_t bytesPerSec() const { return samplesPerSec * blockAlign(); }
    bool operator==(const WaveFormat&) const = default;
};

// The device records PCM 8-bit unsigned or 16-bit signed, mono or stereo, at
// 8000, 11025, 22050 or 44100 Hz. Anything else is refused with a reason.
Status checkSupported(const WaveFormat& f);

// "22050 Hz, 16-bit, mono"
std::string describe(const WaveFormat& f);

}  // namespace platform::sound
