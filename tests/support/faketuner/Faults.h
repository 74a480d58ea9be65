#pragma once
// The faults the fake tuner can put into the streams it starts, as network
// tuners and broadcasts have them. Set on the command line (--stall=10:8) or
// through the control address (/faketuner/faults?stall=10:8) with the same
// names. Times count from the stream's first byte of data.
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace faketuner {

struct Faults {
    double slowTune = 0;     // seconds before the reply, as a tuner tunes
    double silentStart = 0;  // seconds of nothing after the reply's headers
    double stallAt = -1;     // from then on, stallFor seconds of data are lost
    double stallFor = 0;
    int dropEvery = 0;   // one packet in this many is lost (0: none)
    double jumpAt = -1;  // from then on the timestamps are jumpBy seconds later
    double jumpBy = 0;
    double ptsOffset = 0;    // seconds added to every timestamp (near 95443 the 33-bit
                             // PTS wraps soon after the start)
    bool fromStart = false;  // each stream starts at its file's start, not live
};

// Sets one fault by name: slow-tune=S, silent-start=S, stall=AT:FOR, drop=N,
// pts-jump=AT:BY, pts-offset=S, from-start=0|1; "clear" (no value) sets none.
platform::Status setFault(Faults& faults, std::string_view name, std::string_view value);

// The faults as a JSON object, as the control address reports them.
std::string faultsJson(const Faults& faults);

}  // namespace faketuner
