#pragma once
// One listener's sound track, read ahead of it on a thread of its own: the
// listener takes what is ready and never waits on the disk or the decoder
// while it goes on from where it left off. Going elsewhere moves the
// read-ahead there, and the listener waits for the first block.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/tv/SoundTrack.h"

namespace platform::tv {

class SoundReadAhead {
  public:
    // Reads nothing until the first read says where.
    explicit SoundReadAhead(std::shared_ptr<const SoundTrack> track);
    ~SoundReadAhead();
    SoundReadAhead(const SoundReadAhead&) = delete;
    SoundReadAhead& operator=(const SoundReadAhead&) = delete;

    const SoundTrack& track() const { return *track_; }

    // frames frames from frame at (any, silence outside the track),
    // interleaved in the track's channels. From one thread at a time.
    void read(int64_t at, float* out, std::size_t frames);

  private:
    void run();
    // Frames [at, at + frames) of the track, all inside it, taken from the ring.
    void take(int64_t at, float* out, std::size_t frames);
    // copy(ring offset, offset from `at`, samples) for each run of frames
    // [at, at + frames) that lies in one piece in the ring.
    template <class Copy>
    void forEachPiece(int64_t at, int64_t frames, Copy copy) const;

    std::shared_ptr<const SoundTrack> track_;
    const std::size_t channels_;
    const int64_t capacity_;   // frames the ring holds
    std::vector<float> ring_;  // frame f at (f % capacity_)

    std::mutex mutex_;
    std::condition_variable ready_;  // more frames, or the end
    std::condition_variable room_;   // space freed, a move, or stopping
    int64_t begin_ = 0;              // frames [begin_, end_) are in the ring
    int64_t end_ = 0;
    uint64_t moves_ = 0;   // a block read for an earlier place is dropped
    bool placed_ = false;  // a first read has said where to read
    bool failed_ = false;  // the track could not be opened: silence
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace platform::tv
