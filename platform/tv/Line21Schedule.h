#pragma once
// The card's line-21 output: one caption byte pair per frame, 30000/1001
// frames a second, counted from the programme's start. Frame k is due at
// origin + k * 1001/30000 s; pump() sends every frame due by now, in order,
// so a late wake-up catches up instead of drifting. The pair is the tuned
// station's for that moment of its looping programme; a channel without a
// station sends nothing.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/core/Clock.h"
#include "platform/tv/Station.h"
#include "platform/tv/TuningLog.h"
#include "platform/win/Win.h"

namespace platform::tv {

class Line21Schedule {
  public:
    // Gets each frame's pair as broadcast (parity included, normal bit order).
    using FrameSink = std::function<void(int64_t frame, double due, uint8_t first, uint8_t second)>;
    // Delivers one 1067 message; by default SendMessageA.
    using Sender = std::function<void(win::HWND target, win::WPARAM wParam)>;

    Line21Schedule(const Clock& clock, const TuningLog& tunings);

    // A new programme: stations and the moment frame 0 is due. Stops output.
    void setProgramme(std::shared_ptr<const StationSet> stations, double origin);
    // Starts the frames with the first one due now or later; again: no change.
    void run();
    // Caption messages go to target (0: none) while running.
    void setTarget(win::HWND target) { target_ = target; }
    // Stops everything; run() starts again from the live edge.
    void stop();

    bool running() const { return running_; }
    win::HWND target() const { return target_; }
    int64_t nextFrame() const { return next_; }
    // When the next frame is due (only meaningful while running).
    double nextDue() const { return origin_ + scc::frameTime(next_); }
    // Sends every frame due by the clock's now; returns how many frames passed.
    int64_t pump();
    // Sends the frames due before t only: those still belong to the channel
    // tuned until t.
    int64_t pumpBefore(double t);

    void setFrameSink(FrameSink sink) { sink_ = std::move(sink); }
    void setSender(Sender sender) { send_ = std::move(sender); }

    // Faults, as a weak signal shows them: n of every m frames lost (0: none),
    // and every k-th frame's first byte with its parity bit flipped (0: none).
    void dropFrames(int n, int m) {
        dropN_ = n;
        dropM_ = m;
    }
    void badParity(int k) { badParityEvery_ = k; }

  private:
    int64_t pumpWhile(double lastDue);
    void emit(int64_t frame);

    const Clock& clock_;
    const TuningLog& tunings_;
    std::shared_ptr<const StationSet> stations_;
    double origin_ = 0.0;
    int64_t next_ = 0;
    bool running_ = false;
    win::HWND target_ = 0;
    FrameSink sink_;
    Sender send_;
    int dropN_ = 0;
    int dropM_ = 0;
    int badParityEvery_ = 0;
};

}  // namespace platform::tv
