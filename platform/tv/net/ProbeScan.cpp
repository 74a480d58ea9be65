#include "platform/tv/net/ProbeScan.h"

#include <QMetaObject>

#include "platform/tv/stream/StreamProbe.h"

namespace platform::tv::net {

ProbeScan::ProbeScan(std::vector<SourceChannel> channels, stream::StreamOptions options,
                     Listener listener)
    : channels_(std::move(channels)), options_(options), listener_(std::move(listener)) {}

ProbeScan::~ProbeScan() {
    cancel_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
}

void ProbeScan::start() {
    worker_ = std::thread([this] { run(); });
}

void ProbeScan::run() {
    std::vector<std::string> found;
    const auto total = static_cast<int>(channels_.size());
    for (int i = 0; i < total && !cancel_; ++i) {
        const SourceChannel& c = channels_[static_cast<std::size_t>(i)];
        stream::StreamSource source;
        source.url = c.url;
        source.name = c.name;
        const Result<stream::StreamInfo> info = stream::probeStream(source, options_, cancel_);
        if (info && info.value().hasPicture) {
            found.push_back(c.key);
        }
        const int percent = (i + 1) * 100 / total;
        const auto count = static_cast<int>(found.size());
        QMetaObject::invokeMethod(
            this,
            [this, percent, count] {
                if (listener_.progress) {
                    listener_.progress(percent, count);
                }
            },
            Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(
        this,
        [this, found] {
            if (listener_.done) {
                listener_.done(found);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace platform::tv::net
