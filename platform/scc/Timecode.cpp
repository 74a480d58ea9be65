#include "platform/scc/Timecode.h"

#include <cstdio>

namespace platform::scc {

namespace {

// Drop-frame counting: 1798 frame numbers in a minute that drops two, 1800 in
// the others, 17982 in every ten minutes.
constexpr int64_t kFramesPer10Minutes = 17982;
constexpr int64_t kFramesPerDroppedMinute = 1798;

bool twoDigits(std::string_view s, size_t at, int& out) {
    const char a = s[at];
    const char b = s[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') {
        return false;
    }
    out = (a - '0') * 10 + (b - '0');
    return true;
}

}  // namespace

TimecodeValue parseTimecode(std::string_view text) {
    TimecodeValue result;
    int h = 0;
    int m = 0;
    int s = 0;
    int f = 0;
    if (text.size() != 11 || text[2] != ':' || text[5] != ':' ||
        (text[8] != ':' && text[8] != ';') || !twoDigits(text, 0, h) || !twoDigits(text, 3, m) ||
        !twoDigits(text, 6, s) || !twoDigits(text, 9, f)) {
        result.fault = TimecodeFault::Malformed;
        return result;
    }
    result.dropFrame = text[8] == ';';
    if (h > 23 || m > 59 || s > 59) {
        result.fault = TimecodeFault::OutOfRange;
        return result;
    }
    if (f >= 30) {
        result.fault = TimecodeFault::FrameCount;
        return result;
    }
    const int64_t minutes = int64_t{h} * 60 + m;
    const int64_t nominal = (minutes * 60 + s) * 30 + f;
    if (!result.dropFrame) {
        result.frame = nominal;
        return result;
    }
    if (s == 0 && f < 2 && minutes % 10 != 0) {
        result.fault = TimecodeFault::DroppedFrame;
        return result;
    }
    result.frame = nominal - 2 * (minutes - minutes / 10);
    return result;
}

std::string formatTimecode(int64_t frame, bool dropFrame) {
    int64_t nominal = frame;
    if (dropFrame) {
        const int64_t tens = frame / kFramesPer10Minutes;
        const int64_t rest = frame % kFramesPer10Minutes;
        // The first minute of every ten keeps all its numbers; each later one
        // skips two, so add back two per minute begun after it.
        const int64_t skippedMinutes = rest < 2 ? 0 : (rest - 2) / kFramesPerDroppedMinute;
        nominal = frame + 18 * tens + 2 * skippedMinutes;
    }
    const int64_t f = nominal % 30;
    const int64_t s = nominal / 30 % 60;
    const int64_t m = nominal / 1800 % 60;
    const int64_t h = nominal / 108000;
    char buf[32] = {};
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld%c%02lld", static_cast<long long>(h),
                  static_cast<long long>(m), static_cast<long long>(s), dropFrame ? ';' : ':',
                  static_cast<long long>(f));
    return buf;
}

}  // namespace platform::scc
