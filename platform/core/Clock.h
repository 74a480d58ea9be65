#pragma once
// Everything that reads the time takes a Clock, so tests can drive it.
// Times are seconds in double precision on a monotonic scale: they never jump
// at midnight or when the wall clock is set.
#include <atomic>

namespace platform {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// The system's monotonic clock.
class SteadyClock final : public Clock {
  public:
    double now() const override;
};

// A clock that only moves when told to. A test drives it from its own
// thread while a card's worker threads read it, so its time is atomic.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(double start = 0.0) : now_(start) {}
    double now() const override { return now_.load(); }
    void set(double t) { now_.store(t); }
    void advance(double seconds) { now_.store(now_.load() + seconds); }

  private:
    std::atomic<double> now_;
};

// The process-wide clock: the steady clock unless a test installed another.
Clock& programClock();
void setProgramClock(Clock* clock);  // nullptr restores the steady clock

}  // namespace platform
