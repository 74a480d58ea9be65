#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "TinyStation.h"
#include "platform/core/Clock.h"
#include "platform/tv/Line21.h"
#include "platform/tv/Line21Schedule.h"

using namespace platform::tv;
using platform::ManualClock;
using platform::scc::frameTime;

namespace {

struct Sent {
    int64_t frame;
    platform::win::WPARAM wParam;
    bool operator==(const Sent&) const = default;
};

constexpr platform::win::HWND kTarget = 0x4242;
constexpr double kOrigin = 1000.0;

class Schedule : public ::testing::Test {
  protected:
    void SetUp() override {
        // Channel 3: erase displayed memory at frame 30; 62 frames long.
        b.addStation(3, "00:00:01:00\t942c 942c\n", 1.0, 0.0f);
        // Channel 5: "HI" at frame 2; a second after it, 33 frames long.
        b.addStation(5, "00:00:00:02\tc849\n", 0.5, 0.0f);
        std::ostringstream errors;
        stations = std::make_shared<const StationSet>(loadStations(b.root().string(), errors));
        ASSERT_EQ(stations->size(), 2) << errors.str();
        clock.set(kOrigin);
        schedule.setProgramme(stations, kOrigin);
        schedule.setFrameSink([this](int64_t f, double, uint8_t, uint8_t) { currentFrame = f; });
        schedule.setSender([this](platform::win::HWND h, platform::win::WPARAM w) {
            EXPECT_EQ(h, kTarget);
            sent.push_back({currentFrame, w});
        });
    }

    void at(int64_t frame) { clock.set(kOrigin + frameTime(frame)); }
    void start() {
        schedule.run();
        schedule.setTarget(kTarget);
    }

    tvtest::TempBroadcasts b;
    std::shared_ptr<const StationSet> stations;
    ManualClock clock;
    TuningLog tunings;
    Line21Schedule schedule{clock, tunings};
    std::vector<Sent> sent;
    int64_t currentFrame = -1;
};

TEST_F(Schedule, TuningAtStartJoinsTheProgrammeAtItsBeginning) {
    tunings.tune(kOrigin, 3);
    start();
    EXPECT_EQ(schedule.pump(), 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Sent{0, 0x0101})) << "an empty frame carries the null pair";
    at(31);
    schedule.pump();
    ASSERT_EQ(sent.size(), 32u);
    for (int64_t f = 0; f < 30; ++f) {
        EXPECT_EQ(sent[static_cast<std::size_t>(f)], (Sent{f, 0x0101}));
    }
    EXPECT_EQ(sent[30], (Sent{30, 0x2934}));
    EXPECT_EQ(sent[31], (Sent{31, 0x2934}));
}

TEST_F(Schedule, ProgrammeLoops) {
    tunings.tune(kOrigin, 3);
    start();
    at(62 * 2 + 40);
    schedule.pump();
    ASSERT_EQ(sent.size(), 62u * 2 + 41);
    for (const int64_t f : {30, 31, 62 + 30, 62 + 31, 124 + 30, 124 + 31}) {
        EXPECT_EQ(sent[static_cast<std::size_t>(f)].wParam, 0x2934) << f;
    }
    EXPECT_EQ(sent[62 + 29].wParam, 0x0101);
    EXPECT_EQ(sent[62 + 32].wParam, 0x0101);
}

TEST_F(Schedule, LateStartJoinsWhereTheProgrammeIs) {
    tunings.tune(kOrigin, 3);
    at(29);
    clock.advance(0.001);  // just after frame 29 was due: it is missed
    start();
    at(30);
    EXPECT_EQ(schedule.pump(), 1);
    EXPECT_EQ(sent, (std::vector<Sent>{{30, 0x2934}}));
}

TEST_F(Schedule, CatchUpAfterAStallSendsEveryMissedFrameInOrder) {
    tunings.tune(kOrigin, 3);
    start();
    schedule.pump();
    clock.advance(10.0);  // the thread was busy for ten seconds
    const int64_t expected = static_cast<int64_t>(10.0 / platform::scc::kFrameSeconds);
    EXPECT_EQ(schedule.pump(), expected);
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(expected + 1));
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].frame, static_cast<int64_t>(i));
    }
    EXPECT_EQ(schedule.pump(), 0) << "nothing is sent twice";
    EXPECT_GT(schedule.nextDue(), clock.now());
}

TEST_F(Schedule, ChannelChangeMidProgrammeSwitchesAtTheMoment) {
    tunings.tune(kOrigin, 3);
    tunings.tune(kOrigin + frameTime(100) - 0.001, 5);
    start();
    at(100 + 33 + 3);
    schedule.pump();
    // Channel 5 is 33 frames long: frames 101, 134 are its frame 2.
    std::vector<int64_t> hi;
    for (const Sent& s : sent) {
        if (s.wParam == 0x1392) {
            hi.push_back(s.frame);
        }
    }
    EXPECT_EQ(hi, (std::vector<int64_t>{101, 134}));
    EXPECT_EQ(sent[99].wParam, 0x0101);
    EXPECT_EQ(sent[92].wParam, 0x2934) << "channel 3's second loop, frame 30";
}

TEST_F(Schedule, NothingForAChannelWithoutAStationNorAfterStop) {
    tunings.tune(kOrigin, 4);
    start();
    at(40);
    EXPECT_EQ(schedule.pump(), 41) << "frames pass";
    EXPECT_TRUE(sent.empty()) << "but nothing is sent";

    tunings.tune(clock.now(), 3);
    at(41);
    schedule.pump();
    EXPECT_EQ(sent.size(), 1u);
    schedule.stop();
    at(80);
    EXPECT_EQ(schedule.pump(), 0);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(schedule.target(), 0);
}

TEST_F(Schedule, WithoutTargetTheFramesOnlyReachTheSink) {
    tunings.tune(kOrigin, 3);
    schedule.run();
    at(5);
    EXPECT_EQ(schedule.pump(), 6);
    EXPECT_EQ(currentFrame, 5);
    EXPECT_TRUE(sent.empty());
}

TEST_F(Schedule, StopFromInsideTheReceiverEndsThePump) {
    tunings.tune(kOrigin, 3);
    start();
    schedule.setSender([this](platform::win::HWND, platform::win::WPARAM w) {
        sent.push_back({currentFrame, w});
        if (sent.size() == 3) {
            schedule.stop();
        }
    });
    at(50);
    schedule.pump();
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(Schedule, InjectedFaultsDropFramesAndBreakParity) {
    tunings.tune(kOrigin, 3);
    schedule.dropFrames(1, 3);
    start();
    at(35);
    schedule.pump();
    for (const Sent& s : sent) {
        EXPECT_NE(s.frame % 3, 0) << s.frame;
    }
    EXPECT_EQ(sent.size(), 24u);

    sent.clear();
    schedule.dropFrames(0, 0);
    schedule.badParity(4);
    at(35 + 8);
    schedule.pump();
    ASSERT_EQ(sent.size(), 8u);
    for (const Sent& s : sent) {
        const bool broken = s.frame % 4 == 3;
        EXPECT_EQ(s.wParam, broken ? packCaptionPair(0x00, 0x80) : 0x0101) << s.frame;
    }
}

}  // namespace
