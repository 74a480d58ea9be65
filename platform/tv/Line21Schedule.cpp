#include "platform/tv/Line21Schedule.h"

#include <cmath>

#include "platform/tv/Line21.h"
#include "platform/tv/TvCard.h"

namespace platform::tv {

Line21Schedule::Line21Schedule(const Clock& clock, const TuningLog& tunings)
    : clock_(clock), tunings_(tunings) {
    send_ = [](win::HWND target, win::WPARAM wParam) {
        int32_t unused = 0;
        win::SendMessageA(target, kMsgCaptionPair, wParam, reinterpret_cast<win::LPARAM>(&unused));
    };
}

void Line21Schedule::setProgramme(std::shared_ptr<const StationSet> stations, double origin) {
    stations_ = std::move(stations);
    origin_ = origin;
    stop();
}

void Line21Schedule::run() {
    if (running_) {
        return;
    }
    // The frame due exactly now counts as due; a tiny tolerance keeps a
    // clock reading of origin + k frames from rounding to frame k + 1.
    const double elapsed = (clock_.now() - origin_) / scc::kFrameSeconds;
    next_ = std::max<int64_t>(0, static_cast<int64_t>(std::ceil(elapsed - 1e-6)));
    running_ = true;
}

void Line21Schedule::stop() {
    running_ = false;
    target_ = 0;
}

int64_t Line21Schedule::pump() {
    return pumpWhile(clock_.now() + 1e-9);
}

int64_t Line21Schedule::pumpBefore(double t) {
    return pumpWhile(t - 1e-9);
}

int64_t Line21Schedule::pumpWhile(double lastDue) {
    int64_t sent = 0;
    // Re-checked every frame: the receiver may stop the card from inside
    // its message handler.
    while (running_ && nextDue() <= lastDue) {
        emit(next_++);
        ++sent;
    }
    return sent;
}

void Line21Schedule::emit(int64_t frame) {
    if (dropM_ > 0 && frame % dropM_ < dropN_) {
        return;
    }
    const double due = origin_ + scc::frameTime(frame);
    const Station* station = stations_ ? stations_->at(tunings_.channelAt(due)) : nullptr;
    if (station == nullptr || station->pairs.empty()) {
        return;
    }
    const uint16_t pair = station->pairs[static_cast<std::size_t>(frame % station->lengthFrames())];
    auto first = static_cast<uint8_t>(pair >> 8);
    const auto second = static_cast<uint8_t>(pair & 0xFF);
    if (badParityEvery_ > 0 && frame % badParityEvery_ == badParityEvery_ - 1) {
        first ^= 0x80;
    }
    if (sink_) {
        sink_(frame, due, first, second);
    }
    if (target_ != 0 && send_) {
        send_(target_, packCaptionPair(first, second));
    }
}

}  // namespace platform::tv
