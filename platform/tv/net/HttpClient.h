#pragma once
// The card's HTTP: Qt Network on a thread of its own, so that the
// user-interface thread never waits on the network. Every call is made from
// the thread the client lives on (the card's), and every answer comes back
// on it, through the event loop, never from inside the call. Timeouts are
// QTimers on the network thread.
//
// Documents (a tuner's JSON, a playlist) are fetched whole. A stream's bytes
// go into a byte queue for the decoder as they arrive, and the client
// watches them: what the tuner answered (its status and its own error
// header), a stream that sends nothing, and one that stops sending.
#include <QObject>
#include <QThread>
#include <QUrl>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/tv/stream/ByteSource.h"

namespace platform::tv::net {

struct HttpReply {
    int status = 0;          // 0: no HTTP answer at all (see error)
    std::string body;        // 2xx only
    std::string tunerError;  // the X-HDHomeRun-Error header, if any
    std::string error;       // why there was no answer: refused, timed out...
};

// How long the client waits, in milliseconds of real time.
struct HttpTimeouts {
    int documentMs = 5000;  // a whole document
    int connectMs = 5000;   // a stream's answer (status and headers)
    int noDataMs = 5000;    // then its first byte, before "no signal"
    int stallMs = 6000;     // a gap in the bytes that counts as the signal lost
    // Bytes queued for the decoder beyond which reading pauses.
    std::size_t maxQueuedBytes = std::size_t{8} << 20;
};

enum class StreamState {
    Connected = 1,  // 2xx and headers: bytes may follow
    NoSignal,       // connected, but nothing came within noDataMs (it goes on waiting)
    Flowing,        // bytes arrive (the first ones, or again after NoSignal)
    // The rest end the stream; the queue is failed or finished.
    Refused,      // the tuner answered with an error status: `status`, `tunerError`
    Unreachable,  // no answer: `error` says why
    Stalled,      // no bytes for stallMs after some had come
    Ended,        // the tuner closed the stream
};

struct StreamStatus {
    StreamState state = StreamState::Connected;
    int status = 0;
    std::string tunerError;
    std::string error;
};

class HttpWorker;

class HttpClient final : public QObject {
    Q_OBJECT
  public:
    explicit HttpClient(HttpTimeouts timeouts = {}, QObject* parent = nullptr);
    ~HttpClient() override;  // aborts everything; no answer comes after it

    const HttpTimeouts& timeouts() const { return timeouts_; }

    using DocumentDone = std::function<void(const HttpReply&)>;
    // GET (or POST with an empty body) url; done once.
    int fetch(const QUrl& url, DocumentDone done, bool post = false);

    using StreamWatcher = std::function<void(const StreamStatus&)>;
    // GETs url into bytes, telling watcher how it goes, until it ends or
    // is closed.
    int openStream(const QUrl& url, std::shared_ptr<stream::ByteQueue> bytes,
                   StreamWatcher watcher);

    // Aborts a fetch or a stream; nothing more is told of it.
    void cancel(int id);

  private:
    bool live(int id) const { return live_.count(id) != 0; }

    HttpTimeouts timeouts_;
    QThread thread_;
    HttpWorker* worker_ = nullptr;
    int nextId_ = 1;
    std::set<int> live_;
};

}  // namespace platform::tv::net
