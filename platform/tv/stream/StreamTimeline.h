#pragma once
// Where a stream's timestamps fall on the program clock. MPEG timestamps
// count 90 kHz ticks in 33 bits and wrap about every 26.5 hours; the
// broadcaster's clock is not ours and runs a little fast or slow.
//
//  - unwrap() turns a 33-bit timestamp into a count that goes on past the
//    wrap, taking the nearer way round from the last one seen.
//  - The stream is anchored once: a tick count and the program time it is
//    due at (the decoder anchors when its first picture is due).
//  - due() maps ticks to program time. A track (the picture, the sound) whose
//    time moves more than kJumpSeconds from where its last item ended
//    re-anchors the stream so that it goes on from there: a spliced or
//    restarted stream plays on without a gap or a pile-up.
//  - follow() steers the rate gently from how far ahead of the clock the
//    decoded stream runs: a live stream arrives at the broadcaster's rate,
//    and a buffer that slowly grows or shrinks means its clock differs from
//    ours. rate() is program seconds per stream second.
//
// Used on the decoder's thread only.
#include <array>
#include <cstdint>

namespace platform::tv::stream {

class StreamTimeline {
  public:
    static constexpr int64_t kTicksPerSecond = 90000;
    static constexpr int64_t kWrap = int64_t{1} << 33;
    static constexpr double kJumpSeconds = 1.0;
    // How long one window of follow() is, how long a slide takes to be made
    // up, and the largest rate change (far beyond any real clock's error).
    static constexpr double kWindowSeconds = 10.0;
    static constexpr double kPullSeconds = 60.0;
    static constexpr double kMaxPull = 0.001;

    enum class Track { Picture = 0, Sound = 1 };

    // Ticks counted on from the last timestamp seen (of any track): a
    // timestamp is taken modulo 2^33 and placed within half a wrap of it.
    int64_t unwrap(int64_t pts);

    void anchor(int64_t ticks, double due);
    bool anchored() const { return anchored_; }

    // The program time ticks are due at; lengthTicks is how long the item
    // lasts, which is where the track's next item is expected. Re-anchors on
    // a jump (see above). Only once anchored.
    double due(Track track, int64_t ticks, int64_t lengthTicks);
    // Without the jump check or any record: where ticks fall now.
    double map(int64_t ticks) const;
    // How many times the stream jumped and was re-anchored.
    int jumps() const { return jumps_; }

    // now: the program clock; newestDue: when the newest decoded item is due.
    void follow(double now, double newestDue);
    // Everything from here on is due this much later: a stream that stalled
    // and came back late starts a fresh buffer instead of staying behind.
    void shift(double seconds);
    double rate() const { return rate_; }

    // Forgets everything (a new stream).
    void reset() { *this = StreamTimeline(); }

  private:
    void rebaseAt(double due);

    bool haveLast_ = false;
    int64_t last_ = 0;  // the last unwrapped ticks

    bool anchored_ = false;
    double anchorTicks_ = 0.0;
    double anchorDue_ = 0.0;
    double rate_ = 1.0;
    int jumps_ = 0;

    struct TrackEnd {
        bool seen = false;
        double due = 0.0;  // where the track's last item ended
    };
    std::array<TrackEnd, 2> ends_{};

    bool windowOpen_ = false;
    double windowStart_ = 0.0;
    double windowSoonest_ = 0.0;  // the least lead seen in this window
    bool haveReference_ = false;
    double reference_ = 0.0;  // the first window's least lead
};

}  // namespace platform::tv::stream
