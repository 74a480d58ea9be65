#include "platform/tv/stream/PictureScaler.h"

namespace platform::tv::stream {

bool PictureScaler::scale(const AVFrame& frame, int width, int height, std::vector<uint32_t>& out) {
    if (frame.width <= 0 || frame.height <= 0 || width <= 0 || height <= 0) {
        return false;
    }
    // Bilinear: a TV picture shown smaller looks right, at a fraction of
    // the cost of the sharper filters.
    context_ = sws_getCachedContext(holder_.release(), frame.width, frame.height,
                                    static_cast<AVPixelFormat>(frame.format), width, height,
                                    AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
    holder_.reset(context_);
    if (context_ == nullptr) {
        return false;
    }
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(out.data()), nullptr, nullptr, nullptr};
    const int lines[4] = {width * 4, 0, 0, 0};
    return sws_scale(context_, frame.data, frame.linesize, 0, frame.height, planes, lines) ==
           height;
}

}  // namespace platform::tv::stream
