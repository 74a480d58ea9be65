#pragma once
// The network card's sound as its AudioFeed: what the decoder placed on the
// program clock, heard by any number of listeners (the speaker, the
// recorder) at their own rates, from their own threads. The sound is kept
// as 48 kHz stereo on the program clock for the last few seconds; anything
// not placed (before the stream's sound starts, gaps, after a tuning) is
// silence.
//
// When the tuned stream's sound cannot be decoded (AC-4, or no sound track
// at all), lostReason() says so until the next tuning, so that a recording
// of it ends in an error instead of a silent file passing for sound.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tv/AudioFeed.h"
#include "platform/tv/ResampledStream.h"

namespace platform::tv::stream {

class StreamAudioFeed final : public AudioFeed {
  public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;
    // How much sound is kept (2^18 frames, about 5.5 s at 48 kHz).
    static constexpr int64_t kKeptFrames = int64_t{1} << 18;

    StreamAudioFeed();

    // Decoder's thread: frames stereo frames at kRate, the first due at
    // `due` on the program clock. A write that starts within a millisecond
    // of where the last one ended goes on from there; otherwise it is placed
    // by its time, the gap silent, or overwriting what it overlaps.
    void write(double due, const float* stereo, std::size_t frames);
    // From t on there is no sound until the next write (a tuning: the old
    // stream's sound ahead of now is dropped). Also forgets lostReason().
    void cut(double t);
    // The tuned stream's sound cannot be heard; reason in the user's words
    // ("This channel's sound (AC-4) cannot be decoded").
    void setLost(std::string reason);

    // Any thread, as AudioFeed promises.
    void render(double start, int sampleRate, int channels, float* out,
                std::size_t frames) override;
    std::string lostReason() const override;

    // Where the placed sound ends on the program clock (0 before any).
    double writtenUntil() const;

  private:
    void fetchLocked(int64_t from, float* out, std::size_t frames) const;
    void renderLocked(int64_t at, int rate, int channels, float* out, std::size_t frames);
    void invalidateListenersFrom(int64_t from);

    mutable std::mutex mutex_;
    std::vector<float> ring_;  // kKeptFrames stereo frames, frame n at n % kKeptFrames
    int64_t validFrom_ = 0;    // frames before this are silence
    int64_t end_ = 0;          // frames from here on are silence
    std::string lost_;

    // A few more than there are listeners, so that a listener keeps its
    // stream while another changes rate.
    struct Slot {
        ResampledStream stream;
        uint64_t lastUse = 0;
    };
    std::array<Slot, 4> slots_;
    uint64_t uses_ = 0;
    std::vector<float> scratch_;
};

}  // namespace platform::tv::stream
