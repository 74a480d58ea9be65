#pragma once
// Reads the number typed into the channel box.
#include <cstdint>
#include <optional>
#include <string_view>

// Blanks (spaces, tabs) around the number are allowed, as are a sign and a
// decimal fraction, which is rounded to the nearest whole number with halves
// going to the even one ("2.5" is 2, "3.5" is 4). Empty when the text is not
// such a number or the rounded value does not fit a signed 32-bit integer.
std::optional<int32_t> ParseChannelNumber(std::string_view text);
