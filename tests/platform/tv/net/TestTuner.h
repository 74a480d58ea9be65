#pragma once
// The fake network tuner for the card's tests, on 127.0.0.1: channels 3 and 5
// of the sample stations made into small transport streams (once per
// build), a short scripted scan, and a card settings file that puts the
// channels in given slots.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeTuner.h"
#include "platform/core/Clock.h"

namespace nettest {

// The sample stations 3 and 5, 160x120, four seconds each, looping (made
// into transport streams by the build).
const std::vector<faketuner::Channel>& sampleChannels();
// The transport stream the build made of sample station 3 or 5.
std::string sampleStream(const std::string& number);

class TestTuner {
  public:
    // port 0: any free port. A scan takes scanSeconds.
    explicit TestTuner(const platform::Clock& clock, quint16 port = 0, double scanSeconds = 0.4);
    std::string url() const;  // "http://127.0.0.1:PORT"
    faketuner::FakeTuner& tuner() { return *tuner_; }

  private:
    std::unique_ptr<faketuner::FakeTuner> tuner_;
};

// A port nothing listens on (it was free a moment ago).
quint16 closedPort();

// Writes the card's settings at path: source, and slot -> guide number.
void writeCardSettings(const std::string& path, const std::string& source,
                       const std::map<int, std::string>& slots);

}  // namespace nettest
