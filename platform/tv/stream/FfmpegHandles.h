#pragma once
// FFmpeg's objects held by unique_ptr with their own free functions, so no
// early return leaks one, and who owns what stays visible.
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform::tv::stream {

struct FormatCloser {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct CodecFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFreer {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct SwrFreer {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
// A custom AVIOContext owns its buffer, which FFmpeg may have replaced.
struct AvioFreer {
    void operator()(AVIOContext* p) const {
        if (p != nullptr) {
            av_freep(&p->buffer);
        }
        avio_context_free(&p);
    }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;
using AvioPtr = std::unique_ptr<AVIOContext, AvioFreer>;

// FFmpeg's text for an error code ("Invalid data found when processing input").
inline std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace platform::tv::stream
