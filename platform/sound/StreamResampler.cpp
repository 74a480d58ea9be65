#include "platform/sound/StreamResampler.h"

#include <samplerate.h>

#include <cmath>

namespace platform::sound {

StreamResampler::StreamResampler(int inRate, int outRate, int channels, bool adjustable)
    : inRate_(inRate),
      outRate_(outRate),
      channels_(channels),
      passthrough_(inRate == outRate && !adjustable) {
    if (!passthrough()) {
        int err = 0;
        state_ = src_new(SRC_SINC_MEDIUM_QUALITY, channels, &err);
    }
}

StreamResampler::~StreamResampler() {
    if (state_) {
        src_delete(static_cast<SRC_STATE*>(state_));
    }
}

void StreamResampler::reset() {
    if (state_) {
        src_reset(static_cast<SRC_STATE*>(state_));
    }
}

Status StreamResampler::process(const float* in, std::size_t frames, std::vector<float>& out) {
    const std::size_t ch = static_cast<std::size_t>(channels_);
    if (passthrough()) {
        out.insert(out.end(), in, in + frames * ch);
        return {};
    }
    if (!state_) {
        return Error{"Cannot convert " + std::to_string(inRate_) + " Hz to " +
                     std::to_string(outRate_) + " Hz: the resampler could not be set up"};
    }
    const double ratio = static_cast<double>(outRate_) / inRate_ * scale_;
    scratch_.resize((static_cast<std::size_t>(std::ceil(frames * ratio)) + 64) * ch);
    SRC_DATA d{};
    d.data_in = in;
    d.input_frames = static_cast<long>(frames);
    d.src_ratio = ratio;
    d.end_of_input = 0;
    while (d.input_frames > 0) {
        d.data_out = scratch_.data();
        d.output_frames = static_cast<long>(scratch_.size() / ch);
        if (int err = src_process(static_cast<SRC_STATE*>(state_), &d); err != 0) {
            return Error{std::string("Cannot convert the sampling rate: ") + src_strerror(err)};
        }
        out.insert(out.end(), scratch_.begin(),
                   scratch_.begin() + d.output_frames_gen * static_cast<long>(ch));
        d.data_in += d.input_frames_used * static_cast<long>(ch);
        d.input_frames -= d.input_frames_used;
        if (d.input_frames_used == 0 && d.output_frames_gen == 0) {
            break;  // the converter holds the rest until more input comes
        }
    }
    return {};
}

}  // namespace platform::sound
