#include "platform/tv/stream/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace platform::tv::stream {

void ByteQueue::push(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (finished_ || !failure_.empty() || cancelled_) {
            return;  // nobody will read it
        }
        chunks_.emplace_back(data, data + size);
        buffered_ += size;
        received_ += size;
    }
    arrived_.notify_all();
}

void ByteQueue::finish() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    arrived_.notify_all();
}

void ByteQueue::fail(std::string reason) {
    {
        std::lock_guard lock(mutex_);
        if (failure_.empty()) {
            failure_ = reason.empty() ? std::string("The stream failed") : std::move(reason);
        }
    }
    arrived_.notify_all();
}

void ByteQueue::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    arrived_.notify_all();
}

std::size_t ByteQueue::buffered() const {
    std::lock_guard lock(mutex_);
    return buffered_;
}

uint64_t ByteQueue::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::string ByteQueue::reason() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

ByteSource::Read ByteQueue::read(uint8_t* out, std::size_t size,
                                 std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [this] {
        return cancelled_ || buffered_ > 0 || finished_ || !failure_.empty();
    });
    if (cancelled_) {
        return {ReadKind::Cancelled, 0};
    }
    if (buffered_ == 0) {
        if (!failure_.empty()) {
            return {ReadKind::Failed, 0};
        }
        return {finished_ ? ReadKind::Ended : ReadKind::TimedOut, 0};
    }
    std::size_t copied = 0;
    while (copied < size && !chunks_.empty()) {
        const std::vector<uint8_t>& head = chunks_.front();
        const std::size_t n = std::min(size - copied, head.size() - headOffset_);
        std::memcpy(out + copied, head.data() + headOffset_, n);
        copied += n;
        headOffset_ += n;
        if (headOffset_ == head.size()) {
            chunks_.pop_front();
            headOffset_ = 0;
        }
    }
    buffered_ -= copied;
    return {ReadKind::Data, copied};
}

}  // namespace platform::tv::stream
