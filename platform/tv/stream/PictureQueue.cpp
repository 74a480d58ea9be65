#include "platform/tv/stream/PictureQueue.h"

namespace platform::tv::stream {

namespace {
// Spare buffers kept for reuse: enough for the pictures in flight.
constexpr std::size_t kMaxSpare = 8;
}  // namespace

void PictureQueue::dropStaleLocked(double now) {
    // The newest picture due stays: it is still the one to show.
    while (queue_.size() > 1 && queue_[1].due <= now && queue_.front().due < now - kStaleSeconds) {
        if (spare_.size() < kMaxSpare) {
            spare_.push_back(std::move(queue_.front().pixels));
        }
        queue_.pop_front();
    }
}

void PictureQueue::push(VideoPicture picture) {
    const double now = clock_.now();
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(picture));
    dropStaleLocked(now);
}

std::optional<VideoPicture> PictureQueue::takeDue() {
    const double now = clock_.now();
    std::lock_guard lock(mutex_);
    if (queue_.empty() || queue_.front().due > now) {
        return std::nullopt;
    }
    while (queue_.size() > 1 && queue_[1].due <= now) {
        if (spare_.size() < kMaxSpare) {
            spare_.push_back(std::move(queue_.front().pixels));
        }
        queue_.pop_front();
    }
    VideoPicture due = std::move(queue_.front());
    queue_.pop_front();
    return due;
}

std::optional<double> PictureQueue::nextDue() const {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) {
        return std::nullopt;
    }
    return queue_.front().due;
}

std::size_t PictureQueue::size() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void PictureQueue::clear() {
    std::lock_guard lock(mutex_);
    queue_.clear();
}

void PictureQueue::recycle(VideoPicture picture) {
    std::lock_guard lock(mutex_);
    if (spare_.size() < kMaxSpare) {
        spare_.push_back(std::move(picture.pixels));
    }
}

std::vector<uint32_t> PictureQueue::buffer(std::size_t pixels) {
    std::vector<uint32_t> b;
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            b = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    b.resize(pixels);
    return b;
}

}  // namespace platform::tv::stream
