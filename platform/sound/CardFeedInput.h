#pragma once
// The card's sound as a wave input. It keeps a cursor on the program clock
// from the moment recording started and renders exactly the whole frames up
// to now at every read, so the recording never drifts from the clock the
// captions are timed with. A card that had no sound to give while recording
// (a channel whose sound it cannot decode) makes the input count as lost, so
// the recording's stop says so instead of passing silence off as sound.
#include <cstdint>
#include <vector>

#include "platform/sound/WaveInput.h"

namespace platform::tv {
class AudioFeed;
}

namespace platform::sound {

class CardFeedInput final : public WaveInput {
  public:
    explicit CardFeedInput(tv::AudioFeed& feed) : feed_(feed) {}

    Status start(const WaveFormat& format, double startTime) override;
    Status read(FrameSink& sink) override;
    void stop() override { running_ = false; }
    std::string lostReason() const override { return lost_; }

  private:
    tv::AudioFeed& feed_;
    WaveFormat format_;
    double start_ = 0.0;
    uint64_t delivered_ = 0;
    bool running_ = false;
    std::string lost_;
    std::vector<float> buf_;
};

}  // namespace platform::sound
