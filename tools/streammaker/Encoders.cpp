#include "tools/streammaker/Encoders.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/rational.h>
}

#include "tools/streammaker/ProgrammeSound.h"

namespace tools::stream {
namespace {

// Pixels shaped so that the picture is 16:9 when it is wide, 4:3 otherwise
// (720x480 is a 4:3 or 16:9 SD picture of narrow or wide pixels).
AVRational pixelAspect(int width, int height) {
    const AVRational display = width * 3 >= height * 5 ? AVRational{16, 9} : AVRational{4, 3};
    AVRational sar{};
    av_reduce(&sar.num, &sar.den, static_cast<int64_t>(display.num) * height,
              static_cast<int64_t>(display.den) * width, 1 << 16);
    return sar;
}

platform::Error cannotOpen(const char* what, int e) {
    return platform::Error{std::string("Cannot open the ") + what + " encoder: " + avError(e)};
}

}  // namespace

platform::Result<CodecContextPtr> openVideoEncoder(const StreamOptions& o) {
    const AVCodec* codec = o.video == VideoCodec::Mpeg2
                               ? avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO)
                               : avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        return platform::Error{o.video == VideoCodec::Mpeg2
                                   ? "This FFmpeg has no MPEG-2 video encoder"
                                   : "This FFmpeg has no libx264 encoder"};
    }
    CodecContextPtr c(avcodec_alloc_context3(codec));
    const Rational fps = framesPerSecond(o.cadence.rate);
    c->width = o.width;
    c->height = o.height;
    c->time_base = AVRational{fps.den, fps.num};
    c->framerate = AVRational{fps.num, fps.den};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->sample_aspect_ratio = pixelAspect(o.width, o.height);
    const bool hd = o.height >= 720;
    c->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    c->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    c->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    c->color_range = AVCOL_RANGE_MPEG;
    // A key frame about every half second, as broadcasters send for quick tuning.
    c->gop_size = std::max(1, (fps.num / fps.den + 1) / 2);
    const int kbps = o.videoKbps != 0 ? o.videoKbps : defaultVideoKbps(o);
    c->bit_rate = static_cast<int64_t>(kbps) * 1000;
    c->rc_max_rate = c->bit_rate * 3 / 2;
    // One second of buffer, within what MPEG-2's main profile at high level allows.
    c->rc_buffer_size = static_cast<int>(std::min<int64_t>(c->rc_max_rate, 9781248));
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    if (o.cadence.rate == FrameRate::Interlaced2997) {
        c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        c->field_order = AV_FIELD_TT;
    }
    av_opt_set_int(c->priv_data, "a53cc", 1, 0);
    if (o.video == VideoCodec::Mpeg2) {
        c->max_b_frames = 2;
    } else {
        if (int e = av_opt_set(c->priv_data, "preset", o.x264Preset.c_str(), 0); e < 0) {
            return platform::Error{"Unknown x264 preset '" + o.x264Preset + "'"};
        }
        c->max_b_frames = 3;
    }
    if (int e = avcodec_open2(c.get(), codec, nullptr); e < 0) {
        return cannotOpen(o.video == VideoCodec::Mpeg2 ? "MPEG-2" : "H.264", e);
    }
    return c;
}

platform::Result<CodecContextPtr> openSoundEncoder(const StreamOptions& o) {
    const bool mp2 = o.sound == SoundCodec::Mp2;
    const AVCodec* codec = avcodec_find_encoder(mp2 ? AV_CODEC_ID_MP2 : AV_CODEC_ID_AC3);
    if (codec == nullptr) {
        return platform::Error{mp2 ? "This FFmpeg has no MP2 encoder"
                                   : "This FFmpeg has no AC-3 encoder"};
    }
    CodecContextPtr c(avcodec_alloc_context3(codec));
    c->sample_rate = kStreamRate;
    c->sample_fmt = mp2 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&c->ch_layout, &stereo);
    c->bit_rate = static_cast<int64_t>(effectiveSoundKbps(o)) * 1000;
    c->time_base = AVRational{1, kStreamRate};
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    if (int e = avcodec_open2(c.get(), codec, nullptr); e < 0) {
        return cannotOpen(mp2 ? "MP2" : "AC-3", e);
    }
    return c;
}

}  // namespace tools::stream
