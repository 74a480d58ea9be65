#include "platform/tv/stream/StreamInput.h"

#include <mutex>

extern "C" {
#include <libavutil/dict.h>
}

namespace platform::tv::stream {

namespace {

int interrupted(void* opaque) {
    return static_cast<const std::atomic<bool>*>(opaque)->load();
}

struct DictFreer {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

std::string failure(const StreamSource& source, int code) {
    // A byte source that failed knows better than FFmpeg what went wrong.
    if (source.bytes && !source.bytes->reason().empty()) {
        return source.bytes->reason();
    }
    return "Cannot open " + sourceName(source) + ": " + ffmpegError(code);
}

}  // namespace

std::string sourceName(const StreamSource& source) {
    if (!source.name.empty()) {
        return source.name;
    }
    return source.url.empty() ? std::string("the stream") : source.url;
}

StreamInfo describeStreams(const AVFormatContext& format) {
    auto* fmt = const_cast<AVFormatContext*>(&format);
    StreamInfo info;
    const AVCodec* decoder = nullptr;
    const int picture = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (picture >= 0 && decoder != nullptr) {
        const AVStream* stream = fmt->streams[picture];
        info.hasPicture = true;
        info.width = stream->codecpar->width;
        info.height = stream->codecpar->height;
        info.pictureCodec = decoder->name;
        const AVRational rate = av_guess_frame_rate(fmt, fmt->streams[picture], nullptr);
        info.frameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
    }
    decoder = nullptr;
    const int related = picture >= 0 ? picture : -1;
    const int sound = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, related, &decoder, 0);
    if (sound >= 0 && decoder != nullptr) {
        info.hasSound = true;
        info.soundCodec = decoder->name;
    } else if (const int any =
                   av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, related, nullptr, 0);
               any >= 0) {
        // A track no decoder knows (AC-4, say) is named; none at all is not.
        const AVCodecID id = fmt->streams[any]->codecpar->codec_id;
        info.soundCodec = id == AV_CODEC_ID_NONE ? "an unknown format" : avcodec_get_name(id);
    }
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (fmt->streams[i]->codecpar->codec_id == AV_CODEC_ID_EIA_608) {
            info.hasCaptionTrack = true;
        }
    }
    return info;
}

Result<std::unique_ptr<StreamInput>> openStreamInput(const StreamSource& source,
                                                     const StreamOptions& options,
                                                     const std::atomic<bool>& stop) {
    static std::once_flag network;
    std::call_once(network, [] { avformat_network_init(); });

    auto input = std::make_unique<StreamInput>();
    FormatPtr format(avformat_alloc_context());
    if (!format) {
        return Error{"Cannot open " + sourceName(source) + ": out of memory"};
    }
    format->interrupt_callback.callback = &interrupted;
    format->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(&stop);
    if (source.bytes) {
        input->bridge = std::make_unique<AvioBridge>(*source.bytes, stop);
        if (input->bridge->context() == nullptr) {
            return Error{"Cannot open " + sourceName(source) + ": out of memory"};
        }
        format->pb = input->bridge->context();
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else if (source.url.empty()) {
        return Error{"Cannot open the stream: no address given"};
    }

    AVDictionary* raw = nullptr;
    av_dict_set_int(&raw, "analyzeduration", options.analyzeDurationMicros, 0);
    av_dict_set_int(&raw, "probesize", options.probeSizeBytes, 0);
    std::unique_ptr<AVDictionary, DictFreer> dict(raw);
    // avformat_open_input frees the context itself when it fails.
    AVFormatContext* ctx = format.release();
    raw = dict.release();
    int err = avformat_open_input(&ctx, source.bytes ? "" : source.url.c_str(), nullptr, &raw);
    dict.reset(raw);
    if (err < 0) {
        return Error{failure(source, err)};
    }
    format.reset(ctx);
    format->probesize = options.probeSizeBytes;
    format->max_analyze_duration = options.analyzeDurationMicros;
    if (err = avformat_find_stream_info(format.get(), nullptr); err < 0) {
        return Error{failure(source, err)};
    }
    input->format = std::move(format);
    return input;
}

}  // namespace platform::tv::stream
