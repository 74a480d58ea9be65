#pragma once
// A station's picture.png, scaled to the stream's size as 4:2:0 planes.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace tools::stream {

// Y, then Cb, then Cr, width x height and half that, no padding.
platform::Result<std::vector<uint8_t>> readStillPicture(const std::string& path, int width,
                                                        int height);

}  // namespace tools::stream
