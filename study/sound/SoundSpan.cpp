#include "study/sound/SoundSpan.h"

#include <algorithm>

namespace study {

int64_t frameAt(int64_t ms, int sampleRate) {
    const int64_t product = ms * sampleRate;
    // Rounded toward minus infinity, so a moment before the sound lies before frame 0.
    return product >= 0 ? product / 1000 : -((-product + 999) / 1000);
}

FrameSpan spanOf(int64_t startCs, int64_t endCs, const Padding& padding, int sampleRate,
                 int64_t totalFrames) {
    endCs = std::max(endCs, startCs);
    const int64_t rowFirst = frameAt(startCs * 10, sampleRate);
    const int64_t rowLast = frameAt(endCs * 10, sampleRate);
    const int64_t first = frameAt(startCs * 10 - padding.beforeMs, sampleRate);
    const int64_t last = frameAt(endCs * 10 + padding.afterMs, sampleRate);
    FrameSpan span;
    span.playable = sampleRate > 0 && rowFirst < totalFrames && rowLast >= 0;
    if (!span.playable) {
        return span;
    }
    span.cutShort = first < 0 || last > totalFrames;
    span.first = std::clamp<int64_t>(first, 0, totalFrames);
    span.count = std::clamp<int64_t>(last, 0, totalFrames) - span.first;
    return span;
}

}  // namespace study
