#pragma once
// One stream of a channel as a network tuner sends it: the channel's file
// looping on its own clock, its timestamps and continuity counters carried on
// from loop to loop so that it looks like one endless broadcast, each packet
// sent when the broadcast reaches it, never sooner, with the faults asked for.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "Faults.h"
#include "TsFile.h"

namespace faketuner {

class StreamPacer {
  public:
    // origin: the clock time at which the broadcast's first loop began.
    // dataFrom: the clock time of the stream's first byte of data (a live
    // stream joins the broadcast where it is then). endAt: the clock time the
    // stream ends, 0 for never.
    StreamPacer(std::shared_ptr<const TsFile> ts, const Faults& faults, double origin,
                double dataFrom, double endAt);

    // Appends to out every packet due by now.
    void take(double now, std::string& out);

    bool finished(double now) const { return endAt_ > 0 && now >= endAt_; }
    // The clock time the next packet is due.
    double nextDue() const;
    int64_t packetsSent() const { return sent_; }

  private:
    double broadcastTime(int64_t loop, std::size_t index) const;
    void send(std::size_t index, double streamTime, std::string& out);

    std::shared_ptr<const TsFile> ts_;
    Faults faults_;
    double origin_ = 0;
    double dataFrom_ = 0;
    double endAt_ = 0;
    int64_t loop_ = 0;
    std::size_t next_ = 0;
    int64_t seen_ = 0;  // packets reached, lost ones included
    int64_t sent_ = 0;
    std::array<int8_t, 8192> continuity_{};  // the last counter sent per PID, -1 none
};

}  // namespace faketuner
