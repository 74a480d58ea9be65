#pragma once
// Rate conversion of a running stream of float frames with libsamplerate,
// keeping its filter state between chunks so the joins are seamless.
#include <cstddef>
#include <vector>

#include "platform/core/Result.h"

namespace platform::sound {

class StreamResampler {
  public:
    StreamResampler(int inRate, int outRate, int channels);
    ~StreamResampler();

    // Converts frames interleaved frames and appends the result to out.
    Status process(const float* in, std::size_t frames, std::vector<float>& out);
    bool passthrough() const { return inRate_ == outRate_; }
    // Starts a new stream: forgets the frames held back from the last one.
    void reset();

    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

  private:
    int inRate_;
    int outRate_;
    int channels_;
    void* state_ = nullptr;  // SRC_STATE*
    std::vector<float> scratch_;
};

}  // namespace platform::sound
