#pragma once
// What the decoder's tests share: a small station made into transport
// streams by the stream maker, a folder served on 127.0.0.1, waiting for the
// decoder's thread, and lining up sound.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/tv/Station.h"
#include "tools/streammaker/StreamOptions.h"

namespace streamtest {

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

// A folder served over HTTP on 127.0.0.1 (Python's http.server), for streams
// libavformat fetches itself. port() is 0 when it could not start; it stops
// with the object.
class LoopbackFiles {
  public:
    explicit LoopbackFiles(const std::string& dir);
    ~LoopbackFiles();
    LoopbackFiles(const LoopbackFiles&) = delete;
    LoopbackFiles& operator=(const LoopbackFiles&) = delete;
    int port() const { return port_; }

  private:
    int pid_ = -1;
    int port_ = 0;
};

// Where b lines up best with a (b[i] ~ a[i + lag]) within +-maxLag, and how
// well (the normalised correlation there).
struct Alignment {
    int lag = 0;
    double correlation = 0;
};
Alignment align(const std::vector<float>& a, const std::vector<float>& b, int maxLag);

}  // namespace streamtest
