#pragma once
// Rate conversion of a running stream of float frames with libsamplerate,
// keeping its filter state between chunks so the joins are seamless.
#include <cstddef>
#include <vector>

#include "platform/core/Result.h"

namespace platform::sound {

class StreamResampler {
  public:
    // adjustable: the ratio may be scaled later (setScale), so even equal
    // rates go through the converter.
    StreamResampler(int inRate, int outRate, int channels, bool adjustable = false);
    ~StreamResampler();

    // Converts frames interleaved frames and appends the result to out.
    Status process(const float* in, std::size_t frames, std::vector<float>& out);
    bool passthrough() const { return passthrough_; }
    // Scales the ratio from the next frames on, gliding to it smoothly:
    // 1.001 makes a thousandth more frames.
    void setScale(double scale) { scale_ = scale; }
    // Starts a new stream: forgets the frames held back from the last one.
    void reset();

    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

  private:
    int inRate_;
    int outRate_;
    int channels_;
    bool passthrough_;
    double scale_ = 1.0;
    void* state_ = nullptr;  // SRC_STATE*
    std::vector<float> scratch_;
};

}  // namespace platform::sound
