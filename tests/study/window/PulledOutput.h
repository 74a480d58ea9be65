#pragma once
// An output device the test plays: it pulls from the window's source when
// the test says, keeps every frame it took, and reports as played what it
// pulled. Prepare fails with a reason when told to, as a machine without a
// sound device does.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/playback/AudioOut.h"

namespace studytest {

class PulledOutput final : public platform::playback::AudioOut {
  public:
    std::string refuse;  // non-empty: prepare() fails with this
    platform::playback::PcmFormat format;
    int prepares = 0;
    int plays = 0;
    std::vector<float> taken;  // every frame pulled since the last play()

    platform::Status prepare(const platform::playback::PcmFormat& f) override {
        ++prepares;
        if (!refuse.empty()) {
            return platform::Error{refuse};
        }
        format = f;
        return {};
    }
    void play(platform::playback::PcmSource& source) override {
        source_ = &source;
        taken.clear();
        ended_ = false;
        playing_ = true;
        ++plays;
    }
    void stop() override {
        playing_ = false;
        source_ = nullptr;
    }
    bool playing() const override { return playing_; }
    double secondsPlayed() const override {
        return format.channels == 0
                   ? 0.0
                   : static_cast<double>(taken.size()) / format.channels / format.sampleRate;
    }

    // Pulls up to frames frames, as a device does in its own time; once the
    // source has ended the device finishes as a real one does after its
    // buffer has played.
    std::size_t take(std::size_t frames) {
        if (!playing_ || ended_) {
            return 0;
        }
        const auto channels = static_cast<std::size_t>(format.channels);
        std::vector<float> chunk(frames * channels);
        const std::size_t got = source_->pull(chunk.data(), frames);
        taken.insert(taken.end(), chunk.begin(), chunk.begin() + static_cast<long>(got * channels));
        if (got < frames) {
            ended_ = true;
            playing_ = false;
            finished();
        }
        return got;
    }
    // Pulls until the source ends (at most limit frames); the frames taken.
    std::size_t drain(std::size_t limit = 1u << 24) {
        std::size_t total = 0;
        while (playing_ && total < limit) {
            total += take(4096);
        }
        return total;
    }

  private:
    platform::playback::PcmSource* source_ = nullptr;
    bool playing_ = false;
    bool ended_ = false;
};

}  // namespace studytest
