#include "platform/sound/WaveFormat.h"

namespace platform::sound {

Status checkSupported(const WaveFormat& f) {
    const int32_t rate = f.samplesPerSec;
    if (rate != 8000 && rate != 11025 && rate != 22050 && rate != 44100) {
        return Error{"Unsupported sampling rate " + std::to_string(rate) +
                     " Hz: the device records at 8000, 11025, 22050 or 44100 Hz"};
    }
    if (f.channels != 1 && f.channels != 2) {
        return Error{"Unsupported channel count " + std::to_string(f.channels) +
                     ": the device records mono (1) or stereo (2)"};
    }
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) {
        return Error{"Unsupported sample size " + std::to_string(f.bitsPerSample) +
                     " bits: the device records 8-bit or 16-bit PCM"};
    }
    return {};
}

std::string describe(const WaveFormat& f) {
    return std::to_string(f.samplesPerSec) + " Hz, " + std::to_string(f.bitsPerSample) + "-bit, " +
           (f.channels == 1   ? "mono"
            : f.channels == 2 ? "stereo"
                              : std::to_string(f.channels) + " channels");
}

}  // namespace platform::sound
