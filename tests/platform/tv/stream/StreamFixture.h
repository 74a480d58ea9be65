#pragma once
// What the decoder's tests share: a clock the test drives while the decoder
// reads it from its own thread, a small station made into transport streams
// by the stream maker, and waiting for the decoder's thread.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/tv/Station.h"
#include "tools/streammaker/StreamOptions.h"

namespace streamtest {

class DrivenClock final : public platform::Clock {
  public:
    explicit DrivenClock(double start) : now_(start) {}
    double now() const override { return now_.load(); }
    void set(double t) { now_.store(t); }

  private:
    std::atomic<double> now_;
};

constexpr int kStationRate = 16000;

// A station of about four seconds: a pop-on caption every second (doubled
// control codes, text, frames with nothing between) and a sweep that starts
// again every two seconds, whose correlation has one sharp peak.
platform::tv::Station writeStation(const std::string& dir);
// The station's sound at time t of its programme.
double sweep(double t);

// The station made into dir/name by the stream maker.
std::string makeStream(const platform::tv::Station& station, tools::stream::StreamOptions options,
                       const std::string& dir, const std::string& name);

// Waits for the decoder's thread (real time, for work, not for a clock).
template <class Done>
bool waitFor(Done done, double seconds = 60.0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Where b lines up best with a (b[i] ~ a[i + lag]) within +-maxLag, and how
// well (the normalised correlation there).
struct Alignment {
    int lag = 0;
    double correlation = 0;
};
Alignment align(const std::vector<float>& a, const std::vector<float>& b, int maxLag);

}  // namespace streamtest
