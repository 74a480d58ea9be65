#include "tuner/VideoRect.h"

#include <cmath>

int32_t RoundHalfEven(double value) {
    // nearbyint follows the rounding mode, which is round-to-nearest-even
    // unless someone changed it; this program never does.
    return static_cast<int32_t>(std::nearbyint(value));
}

VideoRect VideoRectFor(double outerWidthPx, double outerHeightPx) {
    return VideoRect{0, kControlStripHeight, RoundHalfEven(outerWidthPx - 5.0),
                     RoundHalfEven(outerHeightPx - 40.0)};
}
