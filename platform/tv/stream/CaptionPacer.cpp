#include "platform/tv/stream/CaptionPacer.h"

#include <algorithm>
#include <cmath>

#include "platform/scc/Scc.h"
#include "platform/tv/Line21.h"
#include "platform/tv/TvCard.h"

namespace platform::tv::stream {

namespace {
// A frame whose time rounds a hair past its slot still belongs to it.
constexpr double kSameMoment = 1e-6;
}  // namespace

CaptionPacer::CaptionPacer(const Clock& clock) : clock_(clock) {
    send_ = [](win::HWND target, win::WPARAM wParam) {
        int32_t unused = 0;
        win::SendMessageA(target, kMsgCaptionPair, wParam, reinterpret_cast<win::LPARAM>(&unused));
    };
}

double CaptionPacer::slotDue(int64_t slot) const {
    return origin_ + scc::frameTime(slot);
}

void CaptionPacer::start(double origin) {
    const double elapsed = (clock_.now() - origin) / scc::kFrameSeconds;
    std::lock_guard lock(mutex_);
    origin_ = origin;
    next_ = std::max<int64_t>(0, static_cast<int64_t>(std::ceil(elapsed - kSameMoment)));
    queue_.clear();
    running_ = true;
}

void CaptionPacer::stop() {
    std::lock_guard lock(mutex_);
    running_ = false;
    queue_.clear();
}

bool CaptionPacer::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void CaptionPacer::push(double due, LinePair pair) {
    const double now = clock_.now();
    std::lock_guard lock(mutex_);
    while (!queue_.empty() && queue_.front().due < now - kMaxBacklogSeconds) {
        queue_.pop_front();
    }
    queue_.push_back({due, pair});
}

int64_t CaptionPacer::pump() {
    const double now = clock_.now();
    int64_t sent = 0;
    for (;;) {
        int64_t slot = 0;
        double due = 0.0;
        LinePair pair{kNullByte, kNullByte};
        win::HWND target = 0;
        {
            std::lock_guard lock(mutex_);
            // Re-checked every slot: the receiver may stop the pacer from
            // inside its message handler.
            if (!running_ || slotDue(next_) > now + 1e-9) {
                break;
            }
            slot = next_++;
            due = slotDue(slot);
            if (!queue_.empty() && queue_.front().due <= due + kSameMoment) {
                pair = queue_.front().pair;
                queue_.pop_front();
            } else if (!queue_.empty() && queue_.front().due < slotDue(next_)) {
                // A frame due just after this slot (the broadcaster's clock
                // drifts against ours) would wait almost a whole frame for
                // the next: the slots move to its time instead.
                origin_ = queue_.front().due - scc::frameTime(next_);
            }
            target = target_;
        }
        ++sent;
        if (sink_) {
            sink_(slot, due, pair);
        }
        if (target != 0 && send_) {
            send_(target, packCaptionPair(pair.first, pair.second));
        }
    }
    return sent;
}

void CaptionPacer::setTarget(win::HWND target) {
    std::lock_guard lock(mutex_);
    target_ = target;
}

win::HWND CaptionPacer::target() const {
    std::lock_guard lock(mutex_);
    return target_;
}

double CaptionPacer::nextDue() const {
    std::lock_guard lock(mutex_);
    return slotDue(next_);
}

std::size_t CaptionPacer::queued() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace platform::tv::stream
