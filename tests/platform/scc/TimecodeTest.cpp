#include <gtest/gtest.h>

#include <cmath>

#include "platform/scc/Scc.h"
#include "platform/scc/Timecode.h"

namespace platform::scc {
namespace {

TEST(Timecode, KnownFrameNumbers) {
    struct Case {
        const char* text;
        int64_t frame;
    };
    const Case cases[] = {
        {"00:00:00:00", 0},
        {"00:00:01:00", 30},
        {"00:01:00:00", 1800},
        {"01:00:00:00", 108000},
        {"00:00:59;29", 1799},
        {"00:01:00;02", 1800},
        {"00:02:00;02", 3598},
        {"00:09:59;29", 17981},
        {"00:10:00;00", 17982},
        {"00:10:00;01", 17983},
        {"00:11:00;02", 17982 + 1800},
        {"01:00:00;00", 107892},
        {"23:59:59;29", kDropFramesPerDay - 1},
        {"23:59:59:29", kNonDropFramesPerDay - 1},
    };
    for (const Case& c : cases) {
        const TimecodeValue v = parseTimecode(c.text);
        EXPECT_EQ(v.fault, TimecodeFault::None) << c.text;
        EXPECT_EQ(v.frame, c.frame) << c.text;
        EXPECT_EQ(formatTimecode(c.frame, v.dropFrame), c.text);
    }
}

TEST(Timecode, EveryFrameOfADayRoundTrips) {
    for (const bool drop : {false, true}) {
        const int64_t frames = drop ? kDropFramesPerDay : kNonDropFramesPerDay;
        int64_t previousNominal = -1;
        for (int64_t f = 0; f < frames; ++f) {
            const std::string text = formatTimecode(f, drop);
            const TimecodeValue v = parseTimecode(text);
            ASSERT_EQ(v.fault, TimecodeFault::None) << text;
            ASSERT_EQ(v.frame, f) << text;
            ASSERT_EQ(v.dropFrame, drop);
            // Timecodes only ever move forward, by one number or by a skip of three.
            auto field = [&text](size_t at) {
                return (text[at] - '0') * 10 + (text[at + 1] - '0');
            };
            const int64_t nominal =
                ((int64_t{field(0)} * 60 + field(3)) * 60 + field(6)) * 30 + field(9);
            const int64_t step = nominal - previousNominal;
            ASSERT_TRUE(step == 1 || (drop && step == 3)) << text;
            previousNominal = nominal;
        }
    }
}

TEST(Timecode, Faults) {
    struct Case {
        const char* text;
        TimecodeFault fault;
    };
    const Case cases[] = {
        {"", TimecodeFault::Malformed},
        {"0:00:00:00", TimecodeFault::Malformed},
        {"00:00:00:000", TimecodeFault::Malformed},
        {"00:00:00.00", TimecodeFault::Malformed},
        {"00;00;00;00", TimecodeFault::Malformed},
        {"0a:00:00:00", TimecodeFault::Malformed},
        {"-1:00:00:00", TimecodeFault::Malformed},
        {"24:00:00:00", TimecodeFault::OutOfRange},
        {"00:60:00:00", TimecodeFault::OutOfRange},
        {"00:00:60;00", TimecodeFault::OutOfRange},
        {"00:00:00:30", TimecodeFault::FrameCount},
        {"00:00:10;99", TimecodeFault::FrameCount},
        {"00:01:00;01", TimecodeFault::DroppedFrame},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseTimecode(c.text).fault, c.fault) << '"' << c.text << '"';
    }
}

// Script times are whole centiseconds rounded down; a frame whose time is a whole
// number of them must not come out one below.
TEST(Timecode, FrameTimesGiveExactCentiseconds) {
    for (int64_t f = 0; f < kNonDropFramesPerDay; ++f) {
        const double centiseconds = std::floor(frameTime(f) * 100.0);
        ASSERT_EQ(static_cast<int64_t>(centiseconds), f * 1001 / 300) << f;
    }
}

}  // namespace
}  // namespace platform::scc
