#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include "tuner/ChannelNumber.h"

namespace {

struct NumberCase {
    std::string text;
    std::optional<int32_t> expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class ChannelNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ChannelNumberTest, ReadsAsExpected) {
    EXPECT_EQ(ParseChannelNumber(GetParam().text), GetParam().expected)
        << "text: '" << GetParam().text << "'";
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

INSTANTIATE_TEST_SUITE_P(WholeNumbersAndBlanks, ChannelNumberTest,
                         ::testing::Values(NumberCase{"7", 7}, NumberCase{" 7 ", 7},
                                           NumberCase{"\t12\t", 12}, NumberCase{"007", 7},
                                           NumberCase{"+4", 4}, NumberCase{"-3", -3},
                                           NumberCase{"0", 0}, NumberCase{"5.", 5}));

INSTANTIATE_TEST_SUITE_P(FractionsRoundHalfToEven, ChannelNumberTest,
                         ::testing::Values(NumberCase{"2.5", 2}, NumberCase{"3.5", 4},
                                           NumberCase{"0.5", 0}, NumberCase{".5", 0},
                                           NumberCase{"1.5", 2}, NumberCase{"2.50001", 3},
                                           NumberCase{"2.4999", 2}, NumberCase{"2.6", 3},
                                           NumberCase{"-2.5", -2}, NumberCase{"-3.5", -4},
                                           NumberCase{"4.000", 4}));

INSTANTIATE_TEST_SUITE_P(
    Int32Range, ChannelNumberTest,
    ::testing::Values(NumberCase{"2147483647", kMax}, NumberCase{"2147483647.4", kMax},
                      NumberCase{"2147483646.5", 2147483646},
                      NumberCase{"2147483647.5", std::nullopt},
                      NumberCase{"2147483648", std::nullopt}, NumberCase{"-2147483648", kMin},
                      NumberCase{"-2147483648.5", kMin}, NumberCase{"-2147483649", std::nullopt},
                      NumberCase{"99999999999999999999999999", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    NotANumber, ChannelNumberTest,
    ::testing::Values(NumberCase{"", std::nullopt}, NumberCase{"   ", std::nullopt},
                      NumberCase{"abc", std::nullopt}, NumberCase{"7a", std::nullopt},
                      NumberCase{"1 2", std::nullopt}, NumberCase{".", std::nullopt},
                      NumberCase{"+", std::nullopt}, NumberCase{"--1", std::nullopt},
                      NumberCase{"1.2.3", std::nullopt}, NumberCase{"0x10", std::nullopt},
                      NumberCase{"- 1", std::nullopt}));

}  // namespace
