#include "study/script/TimeText.h"

#include <cstdio>

namespace study {

std::string formatCentiseconds(int64_t cs) {
    const bool negative = cs < 0;
    // Through unsigned, so the most negative value has a magnitude too.
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(cs) : static_cast<uint64_t>(cs);
    const uint64_t hours = magnitude / 360000;
    const auto minutes = static_cast<unsigned>(magnitude / 6000 % 60);
    const auto seconds = static_cast<unsigned>(magnitude / 100 % 60);
    const auto hundredths = static_cast<unsigned>(magnitude % 100);
    char text[48] = {};
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%s%llu:%02u:%02u.%02u", negative ? "-" : "",
                      static_cast<unsigned long long>(hours), minutes, seconds, hundredths);
    } else {
        std::snprintf(text, sizeof text, "%s%02u:%02u.%02u", negative ? "-" : "", minutes, seconds,
                      hundredths);
    }
    return text;
}

}  // namespace study
