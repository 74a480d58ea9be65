#include "StreamPacer.h"

#include <algorithm>
#include <cmath>

#include "TsPacket.h"

namespace faketuner {

StreamPacer::StreamPacer(std::shared_ptr<const TsFile> ts, const Faults& faults, double origin,
                         double dataFrom, double endAt)
    : ts_(std::move(ts)), faults_(faults), origin_(origin), dataFrom_(dataFrom), endAt_(endAt) {
    continuity_.fill(-1);
    // Joins the broadcast at the first packet due from dataFrom on.
    const double at = std::max(0.0, dataFrom_ - origin_);
    loop_ = static_cast<int64_t>(std::floor(at / ts_->period));
    const double within = at - static_cast<double>(loop_) * ts_->period;
    next_ = static_cast<std::size_t>(
        std::lower_bound(ts_->sendTimes.begin(), ts_->sendTimes.end(), within - 1e-9) -
        ts_->sendTimes.begin());
    if (next_ == ts_->packets()) {
        next_ = 0;
        ++loop_;
    }
}

double StreamPacer::broadcastTime(int64_t loop, std::size_t index) const {
    return static_cast<double>(loop) * ts_->period + ts_->sendTimes[index];
}

double StreamPacer::nextDue() const {
    return origin_ + broadcastTime(loop_, next_);
}

void StreamPacer::take(double now, std::string& out) {
    const double until = endAt_ > 0 ? std::min(now, endAt_) : now;
    while (origin_ + broadcastTime(loop_, next_) <= until + 1e-9) {
        const double streamTime = origin_ + broadcastTime(loop_, next_) - dataFrom_;
        send(next_, streamTime, out);
        if (++next_ == ts_->packets()) {
            next_ = 0;
            ++loop_;
        }
    }
}

void StreamPacer::send(std::size_t index, double streamTime, std::string& out) {
    std::string p(ts_->packet(index));
    // Counters run on across loops and over lost packets, so a receiver sees
    // exactly the packets that were lost as gaps.
    const int pid = packetPid(p);
    if (hasPayload(p)) {
        int8_t& last = continuity_[static_cast<std::size_t>(pid)];
        last = static_cast<int8_t>(last < 0 ? continuity(p) : (last + 1) & 0x0F);
        setContinuity(p, last);
    } else if (continuity_[static_cast<std::size_t>(pid)] >= 0) {
        setContinuity(p, continuity_[static_cast<std::size_t>(pid)]);
    }
    ++seen_;
    if (faults_.stallAt >= 0 && streamTime >= faults_.stallAt &&
        streamTime < faults_.stallAt + faults_.stallFor) {
        return;
    }
    if (faults_.dropEvery > 0 && seen_ % faults_.dropEvery == 0) {
        return;
    }
    double shift = static_cast<double>(loop_) * ts_->period + faults_.ptsOffset;
    if (faults_.jumpAt >= 0 && streamTime >= faults_.jumpAt) {
        shift += faults_.jumpBy;
    }
    shiftTimestamps(p, std::llround(shift * kTicksPerSecond));
    out += p;
    ++sent_;
}

}  // namespace faketuner
