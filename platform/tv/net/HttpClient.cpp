#include "platform/tv/net/HttpClient.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <map>

namespace platform::tv::net {
namespace {

// How much a stream's reply holds before TCP itself makes the tuner wait.
constexpr qint64 kReplyBufferBytes = qint64{1} << 20;
constexpr qint64 kReadChunk = 64 * 1024;
constexpr int kWatchMs = 100;
constexpr int kResumeMs = 20;

int statusOf(const QNetworkReply& reply) {
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

std::string tunerErrorOf(const QNetworkReply& reply) {
    return reply.rawHeader("X-HDHomeRun-Error").trimmed().toStdString();
}

QNetworkRequest requestFor(const QUrl& url) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    return request;
}

}  // namespace

// Lives on the network thread; everything in it runs there.
class HttpWorker final : public QObject {
  public:
    HttpWorker(HttpTimeouts timeouts, QObject* client) : timeouts_(timeouts), client_(client) {}
    ~HttpWorker() override {
        for (auto& [id, job] : jobs_) {
            job->told = true;
            job->reply->abort();
        }
        jobs_.clear();
    }

    using Answer = std::function<void(const HttpReply&)>;
    using Tell = std::function<void(const StreamStatus&)>;

    void fetch(int id, const QUrl& url, bool post, Answer answer) {
        QNetworkReply* reply =
            post ? nam().post(requestFor(url), QByteArray()) : nam().get(requestFor(url));
        Job& job = add(id, reply);
        job.timer.setSingleShot(true);
        QObject::connect(&job.timer, &QTimer::timeout, reply, [this, id] {
            if (Job* j = find(id)) {
                j->timedOut = true;
                j->reply->abort();
            }
        });
        job.timer.start(timeouts_.documentMs);
        QObject::connect(reply, &QNetworkReply::finished, this, [this, id, answer] {
            Job* j = find(id);
            if (j == nullptr || j->told) {
                return;
            }
            HttpReply r;
            r.status = statusOf(*j->reply);
            r.tunerError = tunerErrorOf(*j->reply);
            if (r.status >= 200 && r.status < 300) {
                r.body = j->reply->readAll().toStdString();
            } else if (r.status == 0) {
                r.error = j->timedOut ? "no answer within " +
                                            std::to_string(timeouts_.documentMs / 1000) + " s"
                                      : j->reply->errorString().toStdString();
            }
            toClient([answer, r] { answer(r); });
            remove(id);
        });
    }

    void openStream(int id, const QUrl& url, std::shared_ptr<stream::ByteQueue> bytes, Tell tell) {
        QNetworkReply* reply = nam().get(requestFor(url));
        reply->setReadBufferSize(kReplyBufferBytes);
        Job& job = add(id, reply);
        job.bytes = std::move(bytes);
        job.tell = std::move(tell);
        job.resume.setSingleShot(true);
        QObject::connect(&job.resume, &QTimer::timeout, reply, [this, id] { drain(id); });
        job.timer.setInterval(kWatchMs);
        QObject::connect(&job.timer, &QTimer::timeout, reply, [this, id] { watch(id); });
        job.since.start();
        job.timer.start();
        QObject::connect(reply, &QNetworkReply::metaDataChanged, this,
                         [this, id] { answered(id); });
        QObject::connect(reply, &QNetworkReply::readyRead, this, [this, id] { drain(id); });
        QObject::connect(reply, &QNetworkReply::finished, this, [this, id] { streamFinished(id); });
    }

    void cancel(int id) {
        if (Job* j = find(id)) {
            j->told = true;
            if (j->bytes) {
                j->bytes->finish();
            }
            j->reply->abort();
            remove(id);
        }
    }

  private:
    struct Job {
        QNetworkReply* reply = nullptr;
        QTimer timer;
        QTimer resume;
        QElapsedTimer since;  // the request, then the answer, then the last byte
        bool timedOut = false;
        bool told = false;  // the final answer went out (or nobody wants one)
        // Streams.
        std::shared_ptr<stream::ByteQueue> bytes;
        Tell tell;
        bool connected = false;
        bool gotData = false;
        bool toldNoSignal = false;
    };

    QNetworkAccessManager& nam() {
        // Made on first use, on this thread, where its sockets must live.
        if (nam_ == nullptr) {
            nam_ = new QNetworkAccessManager(this);
            nam_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        }
        return *nam_;
    }

    Job& add(int id, QNetworkReply* reply) {
        auto job = std::make_unique<Job>();
        job->reply = reply;
        Job& j = *job;
        jobs_[id] = std::move(job);
        return j;
    }
    Job* find(int id) {
        const auto it = jobs_.find(id);
        return it == jobs_.end() ? nullptr : it->second.get();
    }
    void remove(int id) {
        const auto it = jobs_.find(id);
        if (it == jobs_.end()) {
            return;
        }
        it->second->timer.stop();
        it->second->resume.stop();
        it->second->reply->disconnect(this);
        it->second->reply->deleteLater();
        jobs_.erase(it);
    }

    template <class F>
    void toClient(F f) {
        QMetaObject::invokeMethod(client_, std::move(f), Qt::QueuedConnection);
    }

    void tell(int /*id*/, Job& j, StreamStatus s) {
        const bool final = s.state != StreamState::Connected && s.state != StreamState::NoSignal &&
                           s.state != StreamState::Flowing;
        if (j.told) {
            return;
        }
        j.told = final;
        toClient([t = j.tell, s] { t(s); });
    }

    // The stream ends here: the queue says so and the reply goes.
    void end(int id, Job& j, StreamStatus s, const std::string& reason) {
        tell(id, j, s);
        if (reason.empty()) {
            j.bytes->finish();
        } else {
            j.bytes->fail(reason);
        }
        // A reply that failed (an error status) is finishing already.
        if (j.reply->error() == QNetworkReply::NoError) {
            j.reply->abort();
        }
        remove(id);
    }

    void answered(int id) {
        Job* j = find(id);
        if (j == nullptr || j->connected || j->told) {
            return;
        }
        const int status = statusOf(*j->reply);
        if (status < 200 || status >= 300) {
            StreamStatus s{StreamState::Refused, status, tunerErrorOf(*j->reply), {}};
            end(id, *j, s, "HTTP " + std::to_string(status));
            return;
        }
        j->connected = true;
        j->since.restart();
        tell(id, *j, {StreamState::Connected, status, {}, {}});
    }

    void drain(int id) {
        Job* j = find(id);
        if (j == nullptr || !j->connected) {
            return;
        }
        bool any = false;
        while (j->bytes->buffered() < timeouts_.maxQueuedBytes) {
            const QByteArray chunk = j->reply->read(kReadChunk);
            if (chunk.isEmpty()) {
                break;
            }
            j->bytes->push(reinterpret_cast<const uint8_t*>(chunk.constData()),
                           static_cast<std::size_t>(chunk.size()));
            any = true;
        }
        if (any) {
            j->since.restart();
            if (!j->gotData || j->toldNoSignal) {
                j->gotData = true;
                j->toldNoSignal = false;
                tell(id, *j, {StreamState::Flowing, 200, {}, {}});
            }
        }
        if (j->reply->bytesAvailable() > 0 && !j->resume.isActive()) {
            // The decoder is behind: read again soon, meanwhile TCP holds
            // the tuner back.
            j->resume.start(kResumeMs);
        }
    }

    void watch(int id) {
        Job* j = find(id);
        if (j == nullptr || j->told) {
            return;
        }
        const qint64 waited = j->since.elapsed();
        if (!j->connected) {
            if (waited > timeouts_.connectMs) {
                StreamStatus s{StreamState::Unreachable, 0, {}, "no answer"};
                end(id, *j, s, "no answer");
            }
            return;
        }
        if (!j->gotData) {
            if (waited > timeouts_.noDataMs && !j->toldNoSignal) {
                j->toldNoSignal = true;
                tell(id, *j, {StreamState::NoSignal, 200, {}, {}});
            }
            return;
        }
        if (waited > timeouts_.stallMs) {
            end(id, *j, {StreamState::Stalled, 200, {}, {}}, "the signal was lost");
        }
    }

    void streamFinished(int id) {
        Job* j = find(id);
        if (j == nullptr || j->told) {
            return;
        }
        if (!j->connected) {
            const int status = statusOf(*j->reply);
            if (status != 0) {
                answered(id);  // an error status without a body comes this way
                return;
            }
            StreamStatus s{StreamState::Unreachable, 0, {}, j->reply->errorString().toStdString()};
            end(id, *j, s, s.error);
            return;
        }
        drain(id);
        end(id, *j, {StreamState::Ended, 200, {}, {}}, {});
    }

    HttpTimeouts timeouts_;
    QObject* client_;
    QNetworkAccessManager* nam_ = nullptr;
    std::map<int, std::unique_ptr<Job>> jobs_;
};

HttpClient::HttpClient(HttpTimeouts timeouts, QObject* parent)
    : QObject(parent), timeouts_(timeouts) {
    thread_.setObjectName(QStringLiteral("card network"));
    worker_ = new HttpWorker(timeouts_, this);
    worker_->moveToThread(&thread_);
    thread_.start();
}

HttpClient::~HttpClient() {
    live_.clear();
    HttpWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

int HttpClient::fetch(const QUrl& url, DocumentDone done, bool post) {
    const int id = nextId_++;
    live_.insert(id);
    auto answer = [this, id, done = std::move(done)](const HttpReply& r) {
        if (live_.erase(id) != 0) {
            done(r);
        }
    };
    HttpWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, id, url, post, answer] { worker->fetch(id, url, post, answer); },
        Qt::QueuedConnection);
    return id;
}

int HttpClient::openStream(const QUrl& url, std::shared_ptr<stream::ByteQueue> bytes,
                           StreamWatcher watcher) {
    const int id = nextId_++;
    live_.insert(id);
    auto tell = [this, id, watcher = std::move(watcher)](const StreamStatus& s) {
        if (!live(id)) {
            return;
        }
        if (s.state != StreamState::Connected && s.state != StreamState::NoSignal &&
            s.state != StreamState::Flowing) {
            live_.erase(id);
        }
        watcher(s);
    };
    HttpWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker,
        [worker, id, url, bytes = std::move(bytes), tell] {
            worker->openStream(id, url, bytes, tell);
        },
        Qt::QueuedConnection);
    return id;
}

void HttpClient::cancel(int id) {
    if (live_.erase(id) == 0) {
        return;
    }
    HttpWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, id] { worker->cancel(id); }, Qt::QueuedConnection);
}

}  // namespace platform::tv::net
