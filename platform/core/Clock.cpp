#include "platform/core/Clock.h"

#include <chrono>

namespace platform {

double SteadyClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

namespace {
SteadyClock g_steady;
Clock* g_current = &g_steady;
}  // namespace

Clock& programClock() { return *g_current; }

void setProgramClock(Clock* clock) { g_current = clock ? clock : &g_steady; }

}  // namespace platform
