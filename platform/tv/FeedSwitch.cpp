#include "platform/tv/FeedSwitch.h"

#include <algorithm>
#include <mutex>

namespace platform::tv {

void FeedSwitch::setFeed(AudioFeed* feed) {
    const std::unique_lock lock(mutex_);
    feed_ = feed;
}

void FeedSwitch::render(double start, int sampleRate, int channels, float* out,
                        std::size_t frames) {
    const std::shared_lock lock(mutex_);
    if (feed_ == nullptr) {
        std::fill(out, out + frames * static_cast<std::size_t>(channels), 0.0f);
        return;
    }
    feed_->render(start, sampleRate, channels, out, frames);
}

std::string FeedSwitch::lostReason() const {
    const std::shared_lock lock(mutex_);
    return feed_ != nullptr ? feed_->lostReason() : std::string();
}

}  // namespace platform::tv
