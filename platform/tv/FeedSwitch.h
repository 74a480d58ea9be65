#pragma once
// The sound of whichever card is in use, as one feed that stays the same
// while the card behind it changes: listeners on other threads render through
// it, and a card is only let go of once no render is inside its feed.
#include <shared_mutex>

#include "platform/tv/AudioFeed.h"

namespace platform::tv {

class FeedSwitch final : public AudioFeed {
  public:
    // nullptr: silence. Returns once no render uses the previous feed.
    void setFeed(AudioFeed* feed);

    void render(double start, int sampleRate, int channels, float* out,
                std::size_t frames) override;
    std::string lostReason() const override;

  private:
    mutable std::shared_mutex mutex_;
    AudioFeed* feed_ = nullptr;
};

}  // namespace platform::tv
