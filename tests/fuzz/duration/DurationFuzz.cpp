// Any text typed as a duration: what is accepted is a finite number that the
// C library reads the same way, all of it.
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "recording/DurationText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = recording::parseDuration(text);
    if (!parsed) {
        return 0;
    }
    if (!std::isfinite(*parsed)) {
        std::abort();
    }
    std::string_view trimmed = text;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t')) {
        trimmed.remove_prefix(1);
    }
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
        trimmed.remove_suffix(1);
    }
    const std::string number(trimmed);
    if (number.find_first_of("xXnNiIpP") != std::string::npos) {
        std::abort();  // hex, inf and nan are not durations
    }
    std::setlocale(LC_NUMERIC, "C");
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || static_cast<float>(value) != *parsed) {
        std::abort();
    }
    return 0;
}
