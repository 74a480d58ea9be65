#pragma once
// Everything a network tuner answers, without the network: the discovery,
// lineup and scan documents, streams on free tuners, and the errors a real
// tuner gives (404 for an unknown channel, 503 with X-HDHomeRun-Error 805
// when every tuner is in use). Time comes in as an argument, so a test can
// drive it; the server around this only moves bytes.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Faults.h"
#include "HttpRequest.h"
#include "Lineup.h"
#include "StreamPacer.h"

namespace faketuner {

struct TunerSettings {
    int tunerCount = 2;
    double scanSeconds = 10;       // a scan finds the channels evenly over this time
    bool lineupBeforeScan = true;  // false: the lineup is empty until a scan
    std::string friendlyName = "Cuelark Fake Tuner";
    std::string modelNumber = "CLFT-2";
    std::string deviceId = "C0FFEE01";
};

struct Reply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    double readyAt = 0;                   // the clock time it goes out
    std::unique_ptr<StreamPacer> stream;  // a stream follows the head until closed
    int tuner = -1;                       // the tuner the stream holds

    // The status line and headers, with Content-Length unless a stream follows.
    std::string head() const;
};

class TunerCore {
  public:
    // origin: the clock time the broadcasts began.
    TunerCore(std::vector<Channel> channels, TunerSettings settings, double origin);

    // "http://127.0.0.1:PORT", for the documents' addresses.
    void setBaseUrl(std::string url) { baseUrl_ = std::move(url); }
    const std::string& baseUrl() const { return baseUrl_; }

    // Apply to streams started from now on.
    Faults& faults() { return faults_; }

    Reply handle(const HttpRequest& request, double now);

    // A stream's connection closed: its tuner is free again.
    void release(int tuner);
    int tunersInUse() const;

  private:
    enum class Scan { Never = 1, Running, Done, Aborted };

    void updateScan(double now);
    std::size_t found(double now) const;
    std::size_t shownChannels(double now) const;

    Reply discover() const;
    Reply lineup(double now) const;
    Reply lineupStatus(double now) const;
    Reply lineupPost(const HttpRequest& request, double now);
    Reply stream(const HttpRequest& request, double now);
    Reply control(const HttpRequest& request);

    std::vector<Channel> channels_;
    TunerSettings settings_;
    double origin_ = 0;
    std::string baseUrl_ = "http://127.0.0.1";
    Faults faults_;
    std::vector<bool> busy_;
    Scan scan_ = Scan::Never;
    double scanStarted_ = 0;
    std::size_t foundAtStop_ = 0;
};

}  // namespace faketuner
