#include "platform/tv/stream/StreamAudioFeed.h"

#include <algorithm>
#include <cmath>

#include "platform/tv/ChannelMix.h"

namespace platform::tv::stream {

namespace {
// A write this close to where the last one ended goes on from there: the
// timestamps' own rounding, not a gap.
constexpr int64_t kJoinFrames = StreamAudioFeed::kRate / 1000;
// Listener frames converted per step: bounds the scratch buffer.
constexpr std::size_t kStepFrames = 4096;

// Where frame n lives in the ring (n may be negative on a clock near zero).
std::size_t ringSlot(int64_t n) {
    const int64_t k = StreamAudioFeed::kKeptFrames;
    return static_cast<std::size_t>(((n % k) + k) % k) * StreamAudioFeed::kChannels;
}
}  // namespace

StreamAudioFeed::StreamAudioFeed()
    : ring_(static_cast<std::size_t>(kKeptFrames) * kChannels, 0.0f) {}

void StreamAudioFeed::write(double due, const float* stereo, std::size_t frames) {
    if (stereo == nullptr || frames == 0 || !std::isfinite(due)) {
        return;
    }
    int64_t at = std::llround(due * kRate);
    std::lock_guard lock(mutex_);
    if (end_ <= validFrom_) {
        validFrom_ = end_ = at;  // the first sound since the last cut
    } else if (std::llabs(at - end_) <= kJoinFrames) {
        at = end_;
    }
    // A gap before this sound is silence.
    for (int64_t n = std::max(end_, at - kKeptFrames); n < at; ++n) {
        const std::size_t slot = ringSlot(n);
        ring_[slot] = ring_[slot + 1] = 0.0f;
    }
    const int64_t oldest = std::max(at, at + static_cast<int64_t>(frames) - kKeptFrames);
    for (int64_t n = oldest; n < at + static_cast<int64_t>(frames); ++n) {
        const std::size_t slot = ringSlot(n);
        const auto in = static_cast<std::size_t>(n - at) * kChannels;
        ring_[slot] = stereo[in];
        ring_[slot + 1] = stereo[in + 1];
    }
    validFrom_ = std::min(validFrom_, at);
    end_ = std::max(end_, at + static_cast<int64_t>(frames));
    invalidateListenersFrom(at);
}

void StreamAudioFeed::cut(double t) {
    const int64_t at = std::llround(t * kRate);
    std::lock_guard lock(mutex_);
    if (at < end_) {
        end_ = std::max(at, validFrom_);
        invalidateListenersFrom(at);
    }
    lost_.clear();
}

void StreamAudioFeed::setLost(std::string reason) {
    std::lock_guard lock(mutex_);
    lost_ = std::move(reason);
}

std::string StreamAudioFeed::lostReason() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

double StreamAudioFeed::writtenUntil() const {
    std::lock_guard lock(mutex_);
    return static_cast<double>(end_) / kRate;
}

void StreamAudioFeed::invalidateListenersFrom(int64_t from) {
    // A listener that already converted this stretch heard it as silence:
    // it starts again from where it is, and hears the new sound.
    for (Slot& slot : slots_) {
        if (slot.stream.fetchedUntil() > from) {
            slot.stream.clear();
        }
    }
}

void StreamAudioFeed::fetchLocked(int64_t from, float* out, std::size_t frames) const {
    const int64_t first = std::max(validFrom_, end_ - kKeptFrames);
    for (std::size_t i = 0; i < frames; ++i) {
        const int64_t n = from + static_cast<int64_t>(i);
        if (n >= first && n < end_) {
            const std::size_t slot = ringSlot(n);
            out[i * kChannels] = ring_[slot];
            out[i * kChannels + 1] = ring_[slot + 1];
        } else {
            out[i * kChannels] = out[i * kChannels + 1] = 0.0f;
        }
    }
}

void StreamAudioFeed::renderLocked(int64_t at, int rate, int channels, float* out,
                                   std::size_t frames) {
    const ResampledStream::Source source{
        this, kRate, kChannels,
        [this](int64_t from, float* to, std::size_t n) { fetchLocked(from, to, n); }};
    while (frames > 0) {
        // The listener's own stream if it goes on from its last render, or
        // else the one least recently used.
        Slot* chosen = &slots_[0];
        for (Slot& slot : slots_) {
            if (slot.stream.continues(source, rate, at)) {
                at = slot.stream.nextAt();
                chosen = &slot;
                break;
            }
            if (slot.lastUse < chosen->lastUse) {
                chosen = &slot;
            }
        }
        chosen->lastUse = ++uses_;
        const std::size_t step = std::min(frames, kStepFrames);
        scratch_.resize(step * kChannels);
        chosen->stream.render(source, rate, at, scratch_.data(), step);
        mixChannels(scratch_.data(), kChannels, out, channels, step);
        out += step * static_cast<std::size_t>(channels);
        frames -= step;
        at += static_cast<int64_t>(step);
    }
}

void StreamAudioFeed::render(double start, int sampleRate, int channels, float* out,
                             std::size_t frames) {
    if (out == nullptr || frames == 0) {
        return;
    }
    channels = std::clamp(channels, 1, 2);
    std::fill(out, out + frames * static_cast<std::size_t>(channels), 0.0f);
    if (sampleRate <= 0 || !std::isfinite(start)) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (end_ <= validFrom_) {
        return;  // no sound since the last cut
    }
    renderLocked(std::llround(start * sampleRate), sampleRate, channels, out, frames);
}

}  // namespace platform::tv::stream
