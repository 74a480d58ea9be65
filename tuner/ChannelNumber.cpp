#include "tuner/ChannelNumber.h"

#include <limits>

#include "platform/core/Blanks.h"

namespace {

using platform::isBlank;
using platform::trimBlanks;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the fraction's digits, read after the point, round the whole part
// up: above one half always, exactly one half only onto an even number.
bool roundsUp(std::string_view fraction, bool wholeIsOdd) {
    if (fraction.empty() || fraction.front() < '5') {
        return false;
    }
    if (fraction.front() > '5') {
        return true;
    }
    for (char c : fraction.substr(1)) {
        if (c != '0') {
            return true;
        }
    }
    return wholeIsOdd;
}

}  // namespace

std::optional<int32_t> ParseChannelNumber(std::string_view text) {
    std::string_view s = trimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::size_t point = s.find('.');
    std::string_view whole = s.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
    if (whole.empty() && fraction.empty()) {
        return std::nullopt;
    }
    for (char c : whole) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
    }
    for (char c : fraction) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
    }

    // Magnitudes are collected in 64 bits and cut off as soon as they leave
    // the 32-bit range, so any number of digits is safe.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 2;
    int64_t magnitude = 0;
    for (char c : whole) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    if (roundsUp(fraction, magnitude % 2 == 1)) {
        ++magnitude;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}
