#pragma once
// Where a row lies in the sound: its start and end with the padding around
// them, in sample frames, cut to the sound there is.
#include <cstdint>

namespace study {

// Sound kept around a row, so a clip neither clips the first consonant nor
// the last word's fall. Each edge is set on its own.
struct Padding {
    int beforeMs = 50;
    int afterMs = 350;
    bool operator==(const Padding&) const = default;
};

struct FrameSpan {
    int64_t first = 0;      // the first frame of the padded row, at least 0
    int64_t count = 0;      // frames from first, cut at the end of the sound
    bool playable = false;  // false: the row starts at or past the end of the sound
    bool cutShort = false;  // the padded row runs past either end of the sound
};

// Frame of a moment in milliseconds: floor(ms * rate / 1000), exact for any
// time a script can hold.
int64_t frameAt(int64_t ms, int sampleRate);

// The frames of a row from startCs to endCs (an end before the start counts
// as the start) with padding, in a sound of totalFrames frames at sampleRate.
// Uncut, count = frameAt(end + after) - frameAt(start - before).
FrameSpan spanOf(int64_t startCs, int64_t endCs, const Padding& padding, int sampleRate,
                 int64_t totalFrames);

}  // namespace study
