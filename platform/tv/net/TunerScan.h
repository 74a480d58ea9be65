#pragma once
// A network tuner's channel scan, driven from the card's thread without
// blocking it: start the tuner's own scan where it can scan
// (lineup_status.json ScanPossible; lineup.post?scan=start), follow its
// Progress and Found once a second until it is done, then read lineup.json.
// abort() stops the tuner's scan (lineup.post?scan=abort) and reads the
// lineup as it stands. A tuner that cannot scan gives its lineup as it is.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

#include "platform/core/Result.h"
#include "platform/tv/net/HttpClient.h"
#include "platform/tv/stream/Lineup.h"

namespace platform::tv::net {

class TunerScan final : public QObject {
  public:
    struct Listener {
        std::function<void(int percent, int found)> progress;
        // The lineup at the end, or why there is none (in the user's words).
        std::function<void(Result<stream::Lineup>)> done;
    };

    // base: "http://host:port"; host: for "Tuner not reachable: HOST".
    TunerScan(HttpClient& http, std::string base, std::string host, Listener listener,
              int pollMs = 1000);
    ~TunerScan() override;

    void start();
    void abort();

  private:
    QUrl url(const std::string& path) const;
    void poll();
    void readLineup();
    void fail(const HttpReply& reply, const char* document);
    void finish(Result<stream::Lineup> result);

    HttpClient& http_;
    std::string base_;
    std::string host_;
    Listener listener_;
    QTimer pollTimer_;
    int request_ = 0;
    bool aborting_ = false;
    bool finished_ = false;
};

}  // namespace platform::tv::net
