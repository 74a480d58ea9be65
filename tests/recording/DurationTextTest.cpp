// What the duration box accepts as a number of seconds.
#include <gtest/gtest.h>

#include "recording/DurationText.h"

namespace recording {
namespace {

TEST(DurationText, AcceptsNumbersWithBlanksFractionsAndExponents) {
    const std::pair<const char*, float> cases[] = {
        {"600", 600.0f}, {" 12 ", 12.0f},  {"\t7\t", 7.0f},   {"1.5", 1.5f}, {".5", 0.5f},
        {"5.", 5.0f},    {"1e3", 1000.0f}, {"2.5E-1", 0.25f}, {"-3", -3.0f}, {"+2", 2.0f},
        {"0", 0.0f},     {"007", 7.0f},    {"0.1", 0.1f},  // rounded to single precision
    };
    for (const auto& [text, seconds] : cases) {
        const auto parsed = parseDuration(text);
        ASSERT_TRUE(parsed.has_value()) << '"' << text << '"';
        EXPECT_EQ(*parsed, seconds) << '"' << text << '"';
    }
}

TEST(DurationText, RefusesEverythingElse) {
    for (const char* text : {"", " ", "abc", "12abc", "1 2", "1e", "e3", ".", "-", "1,5", "1e39",
                             "-1e39", "0x10", "inf", "nan", "1..2", "++1", "1e+", "\n5"}) {
        EXPECT_FALSE(parseDuration(text).has_value()) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace recording
