#include "platform/tv/stream/SoundConverter.h"

#include <cmath>

extern "C" {
#include <libavutil/opt.h>
}

namespace platform::tv::stream {

Status SoundConverter::setUp(const AVFrame& frame) {
    AVChannelLayout in{};
    if (frame.ch_layout.nb_channels > 0) {
        if (av_channel_layout_copy(&in, &frame.ch_layout) < 0) {
            return Error{"Cannot read the sound's channel layout"};
        }
    } else {
        av_channel_layout_default(&in, 2);
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* raw = nullptr;
    int err = swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, kRate, &in,
                                  static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                                  nullptr);
    SwrPtr swr(raw);
    if (err >= 0 && adjustable_) {
        err = av_opt_set_int(swr.get(), "flags", SWR_FLAG_RESAMPLE, 0);
    }
    if (err >= 0) {
        err = swr_init(swr.get());
    }
    if (err < 0) {
        av_channel_layout_uninit(&in);
        return Error{"Cannot convert the sound to stereo: " + ffmpegError(err)};
    }
    av_channel_layout_uninit(&inLayout_);
    inLayout_ = in;
    inRate_ = frame.sample_rate;
    inFormat_ = frame.format;
    swr_ = std::move(swr);
    return {};
}

Status SoundConverter::convert(const AVFrame& frame, std::vector<float>& out,
                               int64_t& delayFrames) {
    out.clear();
    delayFrames = 0;
    if (frame.nb_samples <= 0 || frame.sample_rate <= 0) {
        return {};
    }
    const bool changed = !swr_ || frame.sample_rate != inRate_ || frame.format != inFormat_ ||
                         av_channel_layout_compare(&frame.ch_layout, &inLayout_) != 0;
    if (changed) {
        if (Status s = setUp(frame); !s) {
            return s;
        }
    }
    const double nominal = static_cast<double>(frame.nb_samples) * kRate / frame.sample_rate;
    if (adjustable_) {
        // Spread the stretch over this frame's output, carrying what does
        // not make a whole frame to the next.
        owed_ += nominal * (stretch_ - 1.0);
        const auto delta = static_cast<int>(std::lround(owed_));
        owed_ -= delta;
        const int distance = std::max(1, static_cast<int>(std::lround(nominal)));
        swr_set_compensation(swr_.get(), delta, distance);
    }
    const int capacity = swr_get_out_samples(swr_.get(), frame.nb_samples) + 64;
    out.resize(static_cast<std::size_t>(capacity) * 2);
    auto* planes = reinterpret_cast<uint8_t*>(out.data());
    const int made =
        swr_convert(swr_.get(), &planes, capacity, const_cast<const uint8_t**>(frame.extended_data),
                    frame.nb_samples);
    if (made < 0) {
        out.clear();
        return Error{"Cannot convert the sound: " + ffmpegError(made)};
    }
    out.resize(static_cast<std::size_t>(made) * 2);
    delayFrames = swr_get_delay(swr_.get(), kRate);
    return {};
}

}  // namespace platform::tv::stream
