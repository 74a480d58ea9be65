#include "platform/tv/stream/AvioBridge.h"

namespace platform::tv::stream {

namespace {
// 188-byte TS packets, many at a time.
constexpr int kBufferSize = 188 * 348;
// How long a read waits before it looks at the stop flag again.
constexpr std::chrono::milliseconds kPoll{100};
}  // namespace

AvioBridge::AvioBridge(ByteSource& source, const std::atomic<bool>& stop)
    : source_(source), stop_(stop) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (buffer == nullptr) {
        return;
    }
    avio_.reset(avio_alloc_context(buffer, kBufferSize, 0, this, &AvioBridge::readPacket, nullptr,
                                   nullptr));
    if (!avio_) {
        av_free(buffer);
        return;
    }
    avio_->seekable = 0;
}

int AvioBridge::readPacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<AvioBridge*>(opaque);
    if (size <= 0) {
        return 0;
    }
    for (;;) {
        if (self->stop_.load()) {
            return AVERROR_EXIT;
        }
        const ByteSource::Read r = self->source_.read(buf, static_cast<std::size_t>(size), kPoll);
        switch (r.kind) {
            case ByteSource::ReadKind::Data:
                return static_cast<int>(r.bytes);
            case ByteSource::ReadKind::TimedOut:
                continue;  // a live stream that paused: the card decides when it is lost
            case ByteSource::ReadKind::Ended:
                return AVERROR_EOF;
            case ByteSource::ReadKind::Failed:
                return AVERROR(EIO);
            case ByteSource::ReadKind::Cancelled:
                return AVERROR_EXIT;
        }
    }
}

}  // namespace platform::tv::stream
