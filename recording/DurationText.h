#pragma once
// The duration box's text as a number of seconds.
#include <optional>
#include <string_view>

namespace recording {

// Accepts what a numeric conversion of a typed number takes: blanks (spaces,
// tabs) around it, an optional sign, digits with an optional decimal fraction
// (".5" and "5." too) and an optional exponent ("1e3", "2.5E-1"). Anything
// else, an empty text, or a value beyond single precision gives nothing.
// The value is rounded to single precision.
std::optional<float> parseDuration(std::string_view text);

}  // namespace recording
