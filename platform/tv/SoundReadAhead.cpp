#include "platform/tv/SoundReadAhead.h"

#include <algorithm>
#include <iostream>

namespace platform::tv {

namespace {
// The reader's step: small enough to keep the first wait after a move short.
constexpr int64_t kBlockFrames = 4096;
// About a second of sound ahead of the listener, whatever the rate.
int64_t ringFrames(const SoundTrack& track) {
    const int64_t second = std::max<int64_t>(track.sampleRate(), 1);
    return std::max<int64_t>(4, (second + kBlockFrames - 1) / kBlockFrames) * kBlockFrames;
}
}  // namespace

SoundReadAhead::SoundReadAhead(std::shared_ptr<const SoundTrack> track)
    : track_(std::move(track)),
      channels_(static_cast<std::size_t>(track_->channels())),
      capacity_(ringFrames(*track_)),
      ring_(static_cast<std::size_t>(capacity_) * channels_, 0.0f),
      worker_([this] { run(); }) {}

SoundReadAhead::~SoundReadAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    room_.notify_all();
    worker_.join();
}

template <class Copy>
void SoundReadAhead::forEachPiece(int64_t at, int64_t frames, Copy copy) const {
    int64_t done = 0;
    while (done < frames) {
        const int64_t slot = (at + done) % capacity_;
        const int64_t n = std::min(frames - done, capacity_ - slot);
        copy(static_cast<std::size_t>(slot) * channels_, static_cast<std::size_t>(done) * channels_,
             static_cast<std::size_t>(n) * channels_);
        done += n;
    }
}

void SoundReadAhead::run() {
    Result<std::unique_ptr<SoundCursor>> cursor = track_->open();
    std::unique_lock lock(mutex_);
    if (!cursor) {
        std::cerr << cursor.message() << '\n';
        failed_ = true;
        ready_.notify_all();
        return;
    }
    std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * channels_);
    bool told = false;
    while (!stopping_) {
        const int64_t from = end_;
        const int64_t n = std::min(kBlockFrames, track_->frames() - from);
        if (!placed_ || n <= 0 || from + n - begin_ > capacity_) {
            room_.wait(lock);
            continue;
        }
        const uint64_t move = moves_;
        lock.unlock();
        Status read = cursor.value()->read(from, block.data(), static_cast<std::size_t>(n));
        if (!read && !told) {
            // Said once; the listener hears silence where the file failed.
            std::cerr << read.message() << '\n';
            told = true;
        }
        lock.lock();
        if (move != moves_) {
            continue;
        }
        forEachPiece(from, n, [&](std::size_t ring, std::size_t done, std::size_t count) {
            std::copy_n(block.data() + done, count, ring_.data() + ring);
        });
        end_ = from + n;
        ready_.notify_all();
    }
}

void SoundReadAhead::take(int64_t at, float* out, std::size_t frames) {
    std::unique_lock lock(mutex_);
    if (!placed_ || at < begin_ || at > end_) {
        begin_ = end_ = at;
        ++moves_;
        placed_ = true;
    }
    auto left = static_cast<int64_t>(frames);
    while (left > 0) {
        // What was read before `at` is not wanted again.
        begin_ = at;
        room_.notify_one();
        const int64_t step = std::min(left, capacity_ / 2);
        ready_.wait(lock, [&] { return end_ >= at + step || failed_; });
        if (failed_) {
            std::fill(out, out + static_cast<std::size_t>(left) * channels_, 0.0f);
            return;
        }
        forEachPiece(at, step, [&](std::size_t ring, std::size_t done, std::size_t count) {
            std::copy_n(ring_.data() + ring, count, out + done);
        });
        out += static_cast<std::size_t>(step) * channels_;
        at += step;
        left -= step;
    }
    begin_ = at;
    room_.notify_one();
}

void SoundReadAhead::read(int64_t at, float* out, std::size_t frames) {
    const int64_t end = at + static_cast<int64_t>(frames);
    const int64_t from = std::clamp<int64_t>(at, 0, track_->frames());
    const int64_t to = std::clamp<int64_t>(end, 0, track_->frames());
    if (to <= from) {
        std::fill(out, out + frames * channels_, 0.0f);
        return;
    }
    std::fill(out, out + static_cast<std::size_t>(from - at) * channels_, 0.0f);
    take(from, out + static_cast<std::size_t>(from - at) * channels_,
         static_cast<std::size_t>(to - from));
    std::fill(out + static_cast<std::size_t>(to - at) * channels_, out + frames * channels_, 0.0f);
}

}  // namespace platform::tv
