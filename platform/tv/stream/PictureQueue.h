#pragma once
// Decoded pictures waiting for their presentation time. The decoder's thread
// pushes them, scaled to the size the card asked for; the card takes the one
// due at each repaint and wraps its pixels in a QImage (Format_RGB32).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/core/Clock.h"

namespace platform::tv::stream {

struct VideoPicture {
    double due = 0.0;  // presentation time on the program clock
    int width = 0;
    int height = 0;
    // width * height pixels, row by row, each 0xFFRRGGBB in native byte
    // order (QImage::Format_RGB32); bytes per line = width * 4.
    std::vector<uint32_t> pixels;
};

class PictureQueue {
  public:
    explicit PictureQueue(const Clock& clock) : clock_(clock) {}

    // Decoder's thread. Pictures come in presentation order. Pictures whose
    // time passed more than kStaleSeconds ago are dropped here, so the queue
    // stays bounded when nobody takes from it.
    void push(VideoPicture picture);
    static constexpr double kStaleSeconds = 0.5;

    // The newest picture due by now, with every older one dropped; nothing
    // when none is due yet. Any thread.
    std::optional<VideoPicture> takeDue();
    // When the next picture is due; nothing when none is queued.
    std::optional<double> nextDue() const;
    std::size_t size() const;
    void clear();

    // A taken picture's pixels for the decoder to fill again, so that
    // watching for hours allocates nothing new. Optional.
    void recycle(VideoPicture picture);
    // Decoder's thread: a buffer of at least this many pixels, from the
    // recycled ones when there is one.
    std::vector<uint32_t> buffer(std::size_t pixels);

  private:
    void dropStaleLocked(double now);

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::deque<VideoPicture> queue_;
    std::vector<std::vector<uint32_t>> spare_;
};

}  // namespace platform::tv::stream
