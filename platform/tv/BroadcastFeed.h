#pragma once
// The simulated card's sound output: the programme of whatever station was
// tuned at each moment, looping with its captions, converted to the rate
// asked for as it is taken. Safe to render from another thread than the one
// that tunes, and from several listeners at once (the speaker, the recorder):
// each renders on a stream of its own, and none waits while another converts.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/tv/AudioFeed.h"
#include "platform/tv/Station.h"
#include "platform/tv/StationStream.h"
#include "platform/tv/TuningLog.h"

namespace platform::tv {

class BroadcastFeed final : public AudioFeed {
  public:
    explicit BroadcastFeed(const TuningLog& tunings) : tunings_(tunings) {}

    // The programme that starts at origin; nullptr: silence from now on.
    void setProgramme(std::shared_ptr<const StationSet> stations, double origin);

    void render(double start, int sampleRate, int channels, float* out,
                std::size_t frames) override;

  private:
    // A few more than there are listeners, so that a listener keeps its
    // stream while another changes rate or channel.
    struct Slot {
        StationStream stream;
        std::vector<float> scratch;
        uint64_t lastUse = 0;
        uint64_t programme = 0;  // the programme its stream belongs to
        bool busy = false;       // a listener is rendering on it
    };

    // Takes a listener's stream that goes on from where it left off, with
    // `at` moved onto its next frame; or else the free one least recently
    // used; nullptr when every one is busy.
    Slot* claim(const Station& s, int sampleRate, int64_t& at, uint64_t programme);
    void release(Slot& slot);
    void renderStation(const Station& s, uint64_t programme, double origin, double from,
                       int sampleRate, int channels, float* out, std::size_t frames);

    const TuningLog& tunings_;
    std::mutex mutex_;  // guards what follows, never held while converting
    std::shared_ptr<const StationSet> stations_;
    double origin_ = 0.0;
    uint64_t programme_ = 0;
    std::array<Slot, 4> slots_;
    uint64_t uses_ = 0;
};

}  // namespace platform::tv
