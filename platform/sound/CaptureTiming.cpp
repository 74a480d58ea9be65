#include "platform/sound/CaptureTiming.h"

#include <algorithm>
#include <cmath>

namespace platform::sound {

CaptureTiming::CaptureTiming(double startTime, int deviceRate, int wavRate)
    : start_(startTime), deviceRate_(std::max(1, deviceRate)), wavRate_(std::max(1, wavRate)) {}

CaptureTiming::Placement CaptureTiming::arrived(double now, std::size_t frames,
                                                std::size_t written) {
    Placement p;
    received_ += frames;
    if (static_cast<double>(received_) < kSettleSeconds * deviceRate_ || !placed_) {
        settle(now, p);
    } else {
        follow(now, frames, written, p);
    }
    p.leaveOut = static_cast<std::size_t>(std::min<uint64_t>(owedOut_, frames));
    owedOut_ -= p.leaveOut;
    p.rateScale = scale_;
    return p;
}

void CaptureTiming::settle(double now, Placement& p) {
    // This much sound was captured before now: the stream began that long ago.
    const double began = now - static_cast<double>(received_) / deviceRate_;
    if (!placed_) {
        placed_ = true;
        began_ = began;
        const double late = began - start_;
        if (late > 0) {
            p.silenceBefore = static_cast<std::size_t>(std::llround(late * wavRate_));
        } else {
            owedOut_ = static_cast<uint64_t>(std::llround(-late * deviceRate_));
        }
    } else if (began < began_) {
        const auto back = static_cast<uint64_t>(std::llround((began_ - began) * deviceRate_));
        owedOut_ += back;
        began_ -= static_cast<double>(back) / deviceRate_;
    }
}

void CaptureTiming::follow(double now, std::size_t frames, std::size_t written, Placement& p) {
    // How far the recording, with this chunk, falls short of the clock: the
    // arrival's own delay included, which is least for the soonest.
    const double made = static_cast<double>(written) +
                        static_cast<double>(frames) * wavRate_ / deviceRate_ * scale_ -
                        static_cast<double>(owedOut_) * wavRate_ / deviceRate_;
    const double shortfall = (now - start_) * wavRate_ - made;
    if (!windowOpen_) {
        windowOpen_ = true;
        windowStart_ = now;
        windowSoonest_ = shortfall;
    }
    windowSoonest_ = std::min(windowSoonest_, shortfall);
    if (now - windowStart_ < kWindowSeconds) {
        return;
    }
    windowOpen_ = false;
    if (!haveReference_) {
        haveReference_ = true;
        reference_ = windowSoonest_;
        return;
    }
    const double ahead = reference_ - windowSoonest_;  // WAV frames too many
    if (std::fabs(ahead) > kJumpSeconds * wavRate_) {
        // One far window may be the program held up; two in a row are the
        // device's sound lost (or doubled), made up now.
        if (++farWindows_ < 2) {
            return;
        }
        farWindows_ = 0;
        if (ahead > 0) {
            owedOut_ += static_cast<uint64_t>(std::llround(ahead * deviceRate_ / wavRate_));
        } else {
            p.silenceBefore += static_cast<std::size_t>(std::llround(-ahead));
        }
        return;
    }
    farWindows_ = 0;
    scale_ = std::clamp(1.0 - ahead / (kPullSeconds * wavRate_), 1.0 - kMaxPull, 1.0 + kMaxPull);
}

}  // namespace platform::sound
