#pragma once
// A silent mono track that spoken lines are laid into at their start times.
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace tools::broadcast {

class SoundTrack {
  public:
    explicit SoundTrack(int sampleRate) : rate_(sampleRate) {}

    int sampleRate() const { return rate_; }
    double seconds() const { return static_cast<double>(samples_.size()) / rate_; }
    const std::vector<float>& samples() const { return samples_; }

    // Adds the sound in from `at` seconds on; where lines overlap they mix,
    // clipped to full scale. The track grows to hold it.
    void mixAt(double at, const std::vector<float>& sound);
    // Pads with silence up to `seconds` long (never shortens).
    void extendTo(double seconds);

    // 16-bit FLAC, mono, at the track's rate.
    platform::Status writeFlac(const std::string& path) const;

  private:
    int rate_;
    std::vector<float> samples_;
};

// Sound read from a file (any format libsndfile reads), mixed down to mono
// and resampled to `rate`.
platform::Result<std::vector<float>> readSoundFile(const std::string& path, int rate);

}  // namespace tools::broadcast
