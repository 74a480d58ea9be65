#include "platform/tv/net/TunerScan.h"

#include "platform/tv/net/TunerMessages.h"

namespace platform::tv::net {

TunerScan::TunerScan(HttpClient& http, std::string base, std::string host, Listener listener,
                     int pollMs)
    : http_(http), base_(std::move(base)), host_(std::move(host)), listener_(std::move(listener)) {
    pollTimer_.setSingleShot(true);
    pollTimer_.setInterval(pollMs);
    connect(&pollTimer_, &QTimer::timeout, this, &TunerScan::poll);
}

TunerScan::~TunerScan() {
    if (request_ != 0) {
        http_.cancel(request_);
    }
}

QUrl TunerScan::url(const std::string& path) const {
    return QUrl(QString::fromStdString(base_ + path));
}

void TunerScan::start() {
    request_ = http_.fetch(url("/lineup_status.json"), [this](const HttpReply& r) {
        request_ = 0;
        if (r.status != 200) {
            fail(r, "lineup_status.json");
            return;
        }
        Result<stream::LineupStatus> status = stream::parseLineupStatus(r.body);
        if (!status) {
            finish(Error{status.message()});
            return;
        }
        if (status.value().scanInProgress) {
            poll();  // someone else's scan: follow it
        } else if (!status.value().scanPossible) {
            readLineup();
        } else {
            request_ = http_.fetch(
                url("/lineup.post?scan=start"),
                [this](const HttpReply& started) {
                    request_ = 0;
                    if (started.status < 200 || started.status >= 300) {
                        fail(started, "lineup.post");
                        return;
                    }
                    if (listener_.progress) {
                        listener_.progress(0, 0);
                    }
                    pollTimer_.start();
                },
                true);
        }
    });
}

void TunerScan::poll() {
    if (finished_ || aborting_) {
        return;
    }
    request_ = http_.fetch(url("/lineup_status.json"), [this](const HttpReply& r) {
        request_ = 0;
        if (r.status != 200) {
            fail(r, "lineup_status.json");
            return;
        }
        Result<stream::LineupStatus> status = stream::parseLineupStatus(r.body);
        if (!status) {
            finish(Error{status.message()});
            return;
        }
        if (listener_.progress) {
            listener_.progress(status.value().progress, status.value().found);
        }
        if (status.value().scanInProgress) {
            pollTimer_.start();
        } else {
            readLineup();
        }
    });
}

void TunerScan::abort() {
    if (finished_ || aborting_) {
        return;
    }
    aborting_ = true;
    pollTimer_.stop();
    if (request_ != 0) {
        http_.cancel(request_);
    }
    // Whatever the tuner says to the abort, its lineup as it stands is read.
    request_ = http_.fetch(
        url("/lineup.post?scan=abort"),
        [this](const HttpReply&) {
            request_ = 0;
            readLineup();
        },
        true);
}

void TunerScan::readLineup() {
    request_ = http_.fetch(url("/lineup.json"), [this](const HttpReply& r) {
        request_ = 0;
        if (r.status != 200) {
            fail(r, "lineup.json");
            return;
        }
        Result<stream::Lineup> lineup = stream::parseLineup(r.body);
        finish(lineup ? Result<stream::Lineup>(lineup.value()) : Error{lineup.message()});
    });
}

void TunerScan::fail(const HttpReply& reply, const char* document) {
    if (reply.status == 0) {
        finish(Error{notReachable(host_)});
    } else {
        finish(Error{"The tuner answered " + std::string(document) + " with HTTP " +
                     std::to_string(reply.status)});
    }
}

void TunerScan::finish(Result<stream::Lineup> result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    pollTimer_.stop();
    if (listener_.done) {
        listener_.done(std::move(result));
    }
}

}  // namespace platform::tv::net
