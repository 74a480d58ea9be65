#pragma once
// When the card was tuned to which channel, on the program clock. The sound
// feed asks for past moments (a recorder reads behind the live edge), so
// every tuning is kept. Written on the user-interface thread, read from any.
#include <mutex>
#include <vector>

namespace platform::tv {

struct Tuning {
    double time = 0.0;
    int channel = 0;  // 0: tuned to nothing
};

class TuningLog {
  public:
    // Tunings come in time order; one at the same moment as another wins.
    void tune(double time, int channel);
    void clear();
    // The channel tuned at time t (0 before the first tuning).
    int channelAt(double t) const;
    // The channel at `from`, then each tuning after it and before `to`.
    std::vector<Tuning> span(double from, double to) const;

  private:
    int channelAtLocked(double t) const;

    mutable std::mutex mutex_;
    std::vector<Tuning> tunings_;
};

}  // namespace platform::tv
