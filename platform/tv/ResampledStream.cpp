#include "platform/tv/ResampledStream.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <numeric>

namespace platform::tv {

namespace {
// Small enough to keep a listener's latency low, large enough to keep the
// converter's per-call cost out of sight.
constexpr int64_t kInputBlock = 1024;
// The converter's filter reaches this many of the source's samples either
// side of a moment (more when it lowers the rate), with room to spare.
constexpr double kFilterZeros = 32.0;
// Above this, starting on a common step of both rates would cost too much.
constexpr int64_t kMaxAlignFrames = 8192;
}  // namespace

bool ResampledStream::continues(const Source& source, int rate, int64_t at) const {
    return id_ == source.id && sourceRate_ == source.rate && channels_ == source.channels &&
           rate_ == rate && std::llabs(nextAt_ - at) <= 1 && converter_ != nullptr;
}

void ResampledStream::clear() {
    id_ = nullptr;
    converter_.reset();
    pending_.clear();
    head_ = 0;
}

int64_t ResampledStream::floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

void ResampledStream::restart(const Source& s, int rate, int64_t at) {
    if (sourceRate_ != s.rate || channels_ != s.channels || rate_ != rate || !converter_) {
        converter_ = std::make_unique<sound::StreamResampler>(s.rate, rate, s.channels);
    } else {
        converter_->reset();
    }
    id_ = s.id;
    sourceRate_ = s.rate;
    channels_ = s.channels;
    rate_ = rate;
    nextAt_ = at;
    pending_.clear();
    head_ = 0;
    if (s.rate == rate) {
        nextIn_ = at;
        return;
    }
    // The converter starts from silence, so it is started a filter's length
    // early and the sound before `at` thrown away. It is started on a frame
    // where both rates meet on whole samples, so that its samples fall on
    // the same instants as a stream that ran from frame 0.
    const double ratio = static_cast<double>(rate) / s.rate;
    const auto lead = static_cast<int64_t>(std::ceil(kFilterZeros / std::min(ratio, 1.0)));
    const int64_t g = std::gcd(s.rate, rate);
    const int64_t inStep = s.rate / g;  // frames of the source ...
    const int64_t outStep = rate / g;   // ... that make this many of ours
    int64_t skip = 0;
    if (inStep <= kMaxAlignFrames) {
        const int64_t k = floorDiv(floorDiv(at * s.rate, rate) - lead, inStep);
        nextIn_ = k * inStep;
        skip = at - k * outStep;
    } else {
        // Rates with no small common step: within half a sample is close enough.
        nextIn_ = floorDiv(at * s.rate, rate) - lead;
        skip = std::llround(static_cast<double>(at) - static_cast<double>(nextIn_) * ratio);
    }
    while (pendingFrames() < static_cast<std::size_t>(skip)) {
        convertMore(s);
    }
    head_ = static_cast<std::size_t>(skip) * static_cast<std::size_t>(s.channels);
}

std::size_t ResampledStream::pendingFrames() const {
    return (pending_.size() - head_) / static_cast<std::size_t>(channels_);
}

void ResampledStream::convertMore(const Source& s) {
    const auto ch = static_cast<std::size_t>(s.channels);
    input_.resize(static_cast<std::size_t>(kInputBlock) * ch);
    s.fetch(nextIn_, input_.data(), static_cast<std::size_t>(kInputBlock));
    nextIn_ += kInputBlock;
    if (Status st = converter_->process(input_.data(), input_.size() / ch, pending_); !st) {
        // Cannot happen with a converter that was set up; if it does, the
        // listener hears silence rather than nothing at all.
        std::cerr << st.message() << '\n';
        const int64_t made = std::max<int64_t>(1, kInputBlock * rate_ / s.rate);
        pending_.resize(pending_.size() + static_cast<std::size_t>(made) * ch, 0.0f);
    }
}

void ResampledStream::render(const Source& s, int rate, int64_t at, float* out,
                             std::size_t frames) {
    if (!continues(s, rate, at)) {
        restart(s, rate, at);
    }
    while (pendingFrames() < frames) {
        convertMore(s);
    }
    const std::size_t n = frames * static_cast<std::size_t>(s.channels);
    std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(head_), n, out);
    head_ += n;
    nextAt_ += static_cast<int64_t>(frames);
    if (head_ > pending_.size() / 2) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
}

}  // namespace platform::tv
