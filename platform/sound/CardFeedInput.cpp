#include "platform/sound/CardFeedInput.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Clock.h"
#include "platform/tv/AudioFeed.h"

namespace platform::sound {

namespace {
constexpr uint64_t kChunkFrames = 8192;
}

Status CardFeedInput::start(const WaveFormat& format, double startTime) {
    format_ = format;
    start_ = startTime;
    delivered_ = 0;
    running_ = true;
    lost_.clear();
    buf_.assign(kChunkFrames * static_cast<std::size_t>(format.channels), 0.0f);
    return {};
}

Status CardFeedInput::read(FrameSink& sink) {
    if (!running_) {
        return {};
    }
    if (lost_.empty()) {
        if (const std::string why = feed_.lostReason(); !why.empty()) {
            lost_ = "the card had no sound to give: " + why;
        }
    }
    const double rate = format_.samplesPerSec;
    const double elapsed = programClock().now() - start_;
    if (!(elapsed > 0.0)) {
        return {};
    }
    const uint64_t due = static_cast<uint64_t>(std::floor(elapsed * rate));
    while (delivered_ < due) {
        const uint64_t n = std::min(kChunkFrames, due - delivered_);
        const double at = start_ + static_cast<double>(delivered_) / rate;
        feed_.render(at, format_.samplesPerSec, format_.channels, buf_.data(), n);
        delivered_ += n;
        if (Status s = sink.frames(buf_.data(), n); !s) {
            return s;
        }
    }
    return {};
}

}  // namespace platform::sound
