#pragma once
// The card's sound output as a line-in cable would carry it to the recorder:
// whatever station is tuned at each moment, silence where none is.
#include <cstddef>
#include <string>

namespace platform::tv {

class AudioFeed {
  public:
    virtual ~AudioFeed() = default;
    // Fills frames interleaved frames of `channels` channels (1 or 2) of float
    // samples in -1..1 at sampleRate, starting at time `start` on the program
    // clock (platform::programClock()). Channel changes take effect at the
    // moment they were made.
    virtual void render(double start, int sampleRate, int channels, float* out,
                        std::size_t frames) = 0;
    // Non-empty while what is tuned has sound the card cannot play (a
    // stream in a format it cannot decode): a recording of it is not sound,
    // and says so when it stops. Any thread.
    virtual std::string lostReason() const { return {}; }
};

}  // namespace platform::tv
