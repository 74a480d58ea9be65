#pragma once
// Sends the stream's line-21 pairs to the caption window as the simulated
// card's Line21Schedule does: one pair per 1001/30000 s on the program clock,
// slot k due at origin + k * 1001/30000 s. pump() sends every slot due by
// now, in order, so a late wake-up catches up rather than drifting. A slot
// takes the oldest queued pair whose frame is due by the slot's time, and
// the null pair 0x80 0x80 when none is; where the next pair's frame is due
// before the next slot, the slots move to that frame's time, so they follow
// the pictures as the stream's clock drifts. A pair never leaves before its
// frame's presentation time, and pairs leave in the order they were queued,
// one per slot (a frame that carries two, as 3:2 pull-down makes, fills two
// slots in a row; at 59.94 frames a second every other frame carries one).
//
// Threads: push() comes from the decoder's thread; everything else from the
// thread that pumps (the user-interface thread). The sender is called
// without any lock held, so it may stop the pacer.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/core/Clock.h"
#include "platform/tv/stream/CaptionTriplets.h"
#include "platform/win/Win.h"

namespace platform::tv::stream {

class CaptionPacer {
  public:
    // Gets each slot's pair as sent (parity included, normal bit order).
    using SlotSink = std::function<void(int64_t slot, double due, LinePair pair)>;
    // Delivers one 1067 message; by default SendMessageA.
    using Sender = std::function<void(win::HWND target, win::WPARAM wParam)>;

    explicit CaptionPacer(const Clock& clock);

    // A stream's first picture is due at origin: slots run from there (the
    // first slot due now or later), with pairs queued before this dropped.
    // Any thread (the decoder anchors the stream on its own).
    void start(double origin);
    // No slots any more, every queued pair dropped (tuning away). The
    // target stays.
    void stop();
    bool running() const;

    // Queues a pair of the frame due at `due`. Any thread. A pair overdue by
    // more than kMaxBacklogSeconds is dropped when the next is pushed, so
    // the queue stays bounded when nothing pumps.
    void push(double due, LinePair pair);
    static constexpr double kMaxBacklogSeconds = 10.0;

    // Sends every slot due by the clock's now; returns how many slots passed.
    int64_t pump();
    // Caption messages go to target (0: none).
    void setTarget(win::HWND target);
    win::HWND target() const;
    // When the next slot is due (only meaningful while running).
    double nextDue() const;
    std::size_t queued() const;

    void setSlotSink(SlotSink sink) { sink_ = std::move(sink); }
    void setSender(Sender sender) { send_ = std::move(sender); }

  private:
    struct Queued {
        double due = 0.0;
        LinePair pair;
    };
    double slotDue(int64_t slot) const;

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::deque<Queued> queue_;
    bool running_ = false;
    double origin_ = 0.0;
    int64_t next_ = 0;
    win::HWND target_ = 0;
    SlotSink sink_;
    Sender send_;
};

}  // namespace platform::tv::stream
