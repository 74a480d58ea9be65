#pragma once
// SMPTE timecodes of the 30000/1001 frame rate, as SCC lines carry them.
// Non-drop "HH:MM:SS:FF" counts 30 frames a second; drop-frame "HH:MM:SS;FF"
// skips the numbers 00 and 01 at the start of every minute except each tenth,
// so that its hours and minutes keep up with the clock.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::scc {

enum class TimecodeFault {
    None = 1,
    Malformed,     // not two digits, ':', two digits, ':', two digits, ':' or ';', two digits
    OutOfRange,    // hours above 23, minutes or seconds above 59
    FrameCount,    // frames 30 or more
    DroppedFrame,  // a number drop-frame counting skips
};

struct TimecodeValue {
    int64_t frame = 0;  // counted from 00:00:00:00
    bool dropFrame = false;
    TimecodeFault fault = TimecodeFault::None;
};

TimecodeValue parseTimecode(std::string_view text);

// The timecode naming a frame (0 up to one day's worth).
std::string formatTimecode(int64_t frame, bool dropFrame);

// Frames in a day of each counting: the first frame number out of range.
constexpr int64_t kNonDropFramesPerDay = 24LL * 60 * 60 * 30;
constexpr int64_t kDropFramesPerDay = kNonDropFramesPerDay - 24LL * 54 * 2;

}  // namespace platform::scc
