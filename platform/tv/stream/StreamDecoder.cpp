#include "platform/tv/stream/StreamDecoder.h"

#include <mutex>

#include "platform/tv/stream/DecodeSession.h"

extern "C" {
#include <libavutil/log.h>
}

namespace platform::tv::stream {

StreamDecoder::StreamDecoder(const Clock& clock, StreamSink& sink) : clock_(clock), sink_(sink) {
    // Streams tuned mid-picture make the decoders complain at length about
    // what they cannot use yet; only what stops a stream is worth a line.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
}

StreamDecoder::~StreamDecoder() {
    close();
}

void StreamDecoder::open(StreamSource source, const StreamOptions& options) {
    close();
    stop_ = false;
    bytes_ = source.bytes;
    pictures_ = 0;
    pairs_ = 0;
    setPictureSize(options.pictureWidth, options.pictureHeight);
    worker_ = std::thread([this, source = std::move(source), options]() mutable {
        DecodeSession session({clock_, sink_, stop_, width_, height_, pictures_, pairs_},
                              std::move(source), options);
        session.run();
    });
}

void StreamDecoder::close() {
    stop_ = true;
    if (bytes_) {
        bytes_->cancel();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    bytes_.reset();
}

void StreamDecoder::setPictureSize(int width, int height) {
    if (width > 0 && height > 0) {
        width_ = width;
        height_ = height;
    }
}

}  // namespace platform::tv::stream
