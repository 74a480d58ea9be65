#pragma once
// A decoded picture scaled to the size the card shows it at, as RGB32.
#include <cstdint>
#include <vector>

#include "platform/tv/stream/FfmpegHandles.h"

namespace platform::tv::stream {

class PictureScaler {
  public:
    // Scales frame into out (width * height pixels, already sized). False
    // when the frame's format cannot be converted.
    bool scale(const AVFrame& frame, int width, int height, std::vector<uint32_t>& out);

  private:
    SwsContext* context_ = nullptr;  // owned by holder_; sws_getCachedContext reuses it
    SwsPtr holder_;
};

}  // namespace platform::tv::stream
