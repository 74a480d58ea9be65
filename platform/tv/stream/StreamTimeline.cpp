#include "platform/tv/stream/StreamTimeline.h"

#include <algorithm>
#include <cmath>

namespace platform::tv::stream {

int64_t StreamTimeline::unwrap(int64_t pts) {
    const int64_t p = ((pts % kWrap) + kWrap) % kWrap;
    if (!haveLast_) {
        haveLast_ = true;
        last_ = p;
        return p;
    }
    int64_t delta = p - ((last_ % kWrap) + kWrap) % kWrap;
    if (delta > kWrap / 2) {
        delta -= kWrap;
    } else if (delta < -kWrap / 2) {
        delta += kWrap;
    }
    last_ += delta;
    return last_;
}

void StreamTimeline::anchor(int64_t ticks, double due) {
    anchored_ = true;
    anchorTicks_ = static_cast<double>(ticks);
    anchorDue_ = due;
    ends_ = {};
}

double StreamTimeline::map(int64_t ticks) const {
    return anchorDue_ + (static_cast<double>(ticks) - anchorTicks_) / kTicksPerSecond * rate_;
}

double StreamTimeline::due(Track track, int64_t ticks, int64_t lengthTicks) {
    double d = map(ticks);
    TrackEnd& own = ends_[static_cast<std::size_t>(track)];
    const TrackEnd& other = ends_[1 - static_cast<std::size_t>(track)];
    // A track that merely paused (sound missing for a while) lands near
    // where the other track is, and plays on from its own time.
    const bool farFromOwn = own.seen && std::fabs(d - own.due) > kJumpSeconds;
    const bool farFromOther = !other.seen || std::fabs(d - other.due) > kJumpSeconds;
    if (farFromOwn && farFromOther) {
        anchorTicks_ = static_cast<double>(ticks);
        anchorDue_ = own.due;
        ++jumps_;
        d = own.due;
    }
    own.seen = true;
    own.due = d + static_cast<double>(lengthTicks) / kTicksPerSecond * rate_;
    return d;
}

void StreamTimeline::rebaseAt(double due) {
    anchorTicks_ += (due - anchorDue_) / rate_ * kTicksPerSecond;
    anchorDue_ = due;
}

void StreamTimeline::shift(double seconds) {
    anchorDue_ += seconds;
    for (TrackEnd& end : ends_) {
        end.due += seconds;
    }
    // The buffer changed on purpose: its level is measured afresh.
    windowOpen_ = false;
    haveReference_ = false;
}

void StreamTimeline::follow(double now, double newestDue) {
    const double lead = newestDue - now;
    if (!windowOpen_) {
        windowOpen_ = true;
        windowStart_ = now;
        windowSoonest_ = lead;
    }
    windowSoonest_ = std::min(windowSoonest_, lead);
    if (now - windowStart_ < kWindowSeconds) {
        return;
    }
    windowOpen_ = false;
    if (!haveReference_) {
        haveReference_ = true;
        reference_ = windowSoonest_;
        return;
    }
    // A buffer that grew means the stream runs fast against our clock: its
    // seconds are made a little shorter, and the other way round.
    const double grown = windowSoonest_ - reference_;
    const double rate = std::clamp(1.0 - grown / kPullSeconds, 1.0 - kMaxPull, 1.0 + kMaxPull);
    if (rate != rate_) {
        rebaseAt(newestDue);
        rate_ = rate;
    }
}

}  // namespace platform::tv::stream
