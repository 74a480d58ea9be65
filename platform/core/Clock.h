#pragma once
// Everything that reads the time takes a Clock, so tests can drive it.
// Times are seconds in double precision on a monotonic scale: they never jump
// at midnight or when the wall clock is set.

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

// A clock that only moves when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0.0) : now_(start) {}
    double now() const override { return now_; }
    void set(double t) { now_ = t; }
    void advance(double seconds) { now_ += seconds; }

private:
    double now_;
};

// The process-wide clock: the steady clock unless a test installed another.
Clock& programClock();
void setProgramClock(Clock* clock);  // nullptr restores the steady clock

}  // namespace platform
