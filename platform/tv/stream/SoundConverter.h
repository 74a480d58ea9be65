#pragma once
// Decoded sound of any layout, format and rate to 48 kHz stereo float
// (libswresample downmixes and resamples at once). It can also stretch the
// sound a little, as the stream's timeline follows a broadcaster's clock.
#include <cstdint>
#include <vector>

#include "platform/core/Result.h"
#include "platform/tv/stream/FfmpegHandles.h"

namespace platform::tv::stream {

class SoundConverter {
  public:
    static constexpr int kRate = 48000;

    // adjustable: the rate may be stretched later (setStretch), so the
    // resampler runs even when the rates are equal.
    explicit SoundConverter(bool adjustable) : adjustable_(adjustable) {}
    ~SoundConverter() { av_channel_layout_uninit(&inLayout_); }
    SoundConverter(const SoundConverter&) = delete;
    SoundConverter& operator=(const SoundConverter&) = delete;

    // Converts frame; out gets the stereo frames made now. delayFrames is
    // what the converter holds back after it, in 48 kHz frames: the sound
    // made ends that long before the frame's end.
    Status convert(const AVFrame& frame, std::vector<float>& out, int64_t& delayFrames);
    // Program seconds per stream second: 1.0005 makes 0.05 % more sound.
    void setStretch(double stretch) { stretch_ = stretch; }

  private:
    Status setUp(const AVFrame& frame);

    bool adjustable_;
    double stretch_ = 1.0;
    double owed_ = 0.0;  // fractions of a frame not yet stretched
    SwrPtr swr_;
    AVChannelLayout inLayout_{};
    int inRate_ = 0;
    int inFormat_ = -1;
};

}  // namespace platform::tv::stream
