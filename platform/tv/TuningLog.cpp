#include "platform/tv/TuningLog.h"

#include <algorithm>

namespace platform::tv {

void TuningLog::tune(double time, int channel) {
    std::lock_guard lock(mutex_);
    // A clock that stepped back (a test rewinding) must not unsort the log.
    if (!tunings_.empty() && time < tunings_.back().time) {
        time = tunings_.back().time;
    }
    tunings_.push_back(Tuning{time, channel});
}

void TuningLog::clear() {
    std::lock_guard lock(mutex_);
    tunings_.clear();
}

int TuningLog::channelAtLocked(double t) const {
    auto after = std::upper_bound(tunings_.begin(), tunings_.end(), t,
                                  [](double v, const Tuning& x) { return v < x.time; });
    return after == tunings_.begin() ? 0 : std::prev(after)->channel;
}

int TuningLog::channelAt(double t) const {
    std::lock_guard lock(mutex_);
    return channelAtLocked(t);
}

std::vector<Tuning> TuningLog::span(double from, double to) const {
    std::lock_guard lock(mutex_);
    std::vector<Tuning> out{Tuning{from, channelAtLocked(from)}};
    auto it = std::upper_bound(tunings_.begin(), tunings_.end(), from,
                               [](double v, const Tuning& x) { return v < x.time; });
    for (; it != tunings_.end() && it->time < to; ++it) {
        out.push_back(*it);
    }
    return out;
}

}  // namespace platform::tv
