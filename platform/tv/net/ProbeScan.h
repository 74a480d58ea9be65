#pragma once
// A playlist's or a folder's scan: each channel opened in turn, far enough to
// see whether it holds a picture, on a thread of its own; what it finds is
// told on the card's thread. cancel() stops at the next wait, the channels
// found so far kept.
#include <QObject>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/tv/net/SourceChannels.h"
#include "platform/tv/stream/StreamDecoder.h"

namespace platform::tv::net {

class ProbeScan final : public QObject {
  public:
    struct Listener {
        std::function<void(int percent, int found)> progress;
        // The keys of the channels with a picture, in the order scanned.
        std::function<void(std::vector<std::string> found)> done;
    };

    ProbeScan(std::vector<SourceChannel> channels, stream::StreamOptions options,
              Listener listener);
    ~ProbeScan() override;  // cancels and waits

    void start();
    void cancel() { cancel_ = true; }

  private:
    void run();

    std::vector<SourceChannel> channels_;
    stream::StreamOptions options_;
    Listener listener_;
    std::atomic<bool> cancel_{false};
    std::thread worker_;
};

}  // namespace platform::tv::net
