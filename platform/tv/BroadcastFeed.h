#pragma once
// The simulated card's sound output: the programme of whatever station was
// tuned at each moment, looping with its captions, resampled to the rate
// asked for. Resampled tracks are made once per station and rate and kept.
// Safe to render from another thread than the one that tunes.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/tv/AudioFeed.h"
#include "platform/tv/Station.h"
#include "platform/tv/TuningLog.h"

namespace platform::tv {

class BroadcastFeed final : public AudioFeed {
  public:
    explicit BroadcastFeed(const TuningLog& tunings) : tunings_(tunings) {}

    // The programme that starts at origin; nullptr: silence from now on.
    void setProgramme(std::shared_ptr<const StationSet> stations, double origin);

    void render(double start, int sampleRate, int channels, float* out,
                std::size_t frames) override;

    // Resamples every station to sampleRate ahead of use without holding up
    // render meanwhile, so that later renders at that rate never wait for it.
    // Safe to run on a thread of its own.
    void prepare(int sampleRate);

  private:
    using Track = std::shared_ptr<const std::vector<float>>;
    static Track resample(const Station& s, int sampleRate);
    Track trackFor(const Station& s, int sampleRate);
    void renderStation(const Station& s, double from, int sampleRate, int channels, float* out,
                       std::size_t frames);

    const TuningLog& tunings_;
    std::mutex mutex_;
    std::shared_ptr<const StationSet> stations_;
    double origin_ = 0.0;
    uint64_t generation_ = 0;  // counts programmes: stale preparations are dropped
    std::map<std::pair<int, int>, Track> tracks_;  // by (channel, rate)
};

}  // namespace platform::tv
