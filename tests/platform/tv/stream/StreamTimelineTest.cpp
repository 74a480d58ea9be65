// A stream's 90 kHz timestamps on the program clock: sound placed by its own
// timestamps, the 33-bit wrap crossed without a step, jumps of more than a
// second played on without a gap, and a broadcaster's fast clock followed.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/tv/stream/StreamTimeline.h"

using platform::tv::stream::StreamTimeline;
using Track = StreamTimeline::Track;

namespace {

constexpr int64_t kFrame = 3003;  // one 29.97 frame in 90 kHz ticks
constexpr int64_t kSecond = StreamTimeline::kTicksPerSecond;
constexpr double kStart = 1000.0;

TEST(StreamTimeline, SoundIsPlacedByItsTimestampsPrimingIncluded) {
    StreamTimeline t;
    // An AC-3 stream: the encoder's 256-sample delay shows as sound starting
    // 480 ticks before the first picture.
    const int64_t picture = t.unwrap(3003);
    const int64_t sound = t.unwrap(2523);
    t.anchor(picture, kStart);
    EXPECT_DOUBLE_EQ(t.due(Track::Picture, picture, kFrame), kStart);
    EXPECT_NEAR(t.due(Track::Sound, sound, 2880), kStart - 480.0 / kSecond, 1e-9);
    // A gap of half a second in the sound stays a gap.
    EXPECT_NEAR(t.due(Track::Sound, sound + 2880 + kSecond / 2, 2880),
                kStart + (2880 + kSecond / 2 - 480.0) / kSecond, 1e-9);
    EXPECT_EQ(t.jumps(), 0);
}

TEST(StreamTimeline, The33BitWrapIsCrossedWithoutAStep) {
    StreamTimeline t;
    const int64_t last = StreamTimeline::kWrap - 1000;
    const int64_t before = t.unwrap(last);
    t.anchor(before, kStart);
    t.due(Track::Picture, before, kFrame);
    double previous = kStart;
    for (int64_t k = 1; k < 5; ++k) {
        // After the wrap the raw timestamps start again near zero; a demuxer
        // that already corrected them gives values past 2^33, also fine.
        const int64_t raw =
            (last + k * kFrame) % StreamTimeline::kWrap + (k == 4 ? StreamTimeline::kWrap : 0);
        const double due = t.due(Track::Picture, t.unwrap(raw), kFrame);
        EXPECT_NEAR(due - previous, static_cast<double>(kFrame) / kSecond, 1e-9) << k;
        previous = due;
    }
    EXPECT_EQ(t.jumps(), 0);
    // Sound a little behind the pictures, from before the wrap, stays before.
    EXPECT_LT(t.due(Track::Sound, t.unwrap(last + 500), 2880), kStart + 0.01);
}

TEST(StreamTimeline, AJumpOfMoreThanASecondPlaysOnFromWhereEachTrackWas) {
    StreamTimeline t;
    t.anchor(t.unwrap(90000), kStart);
    for (int64_t k = 0; k < 10; ++k) {
        t.due(Track::Picture, t.unwrap(90000 + k * kFrame), kFrame);
        t.due(Track::Sound, t.unwrap(90000 + k * 2880), 2880);
    }
    const double pictureEnd = kStart + 10.0 * kFrame / kSecond;
    // The broadcaster splices in a programme whose clock reads an hour on.
    const int64_t spliced = 90000 + 3600 * kSecond;
    EXPECT_NEAR(t.due(Track::Picture, t.unwrap(spliced), kFrame), pictureEnd, 1e-9);
    EXPECT_EQ(t.jumps(), 1);
    // The sound of the new programme follows the new anchor: no second jump.
    EXPECT_NEAR(t.due(Track::Sound, t.unwrap(spliced - 1440), 2880), pictureEnd - 0.016, 1e-9);
    EXPECT_EQ(t.jumps(), 1);
    // A file starting again from its beginning jumps back: also played on.
    const double before = t.due(Track::Picture, t.unwrap(spliced + kFrame), kFrame);
    EXPECT_NEAR(t.due(Track::Picture, t.unwrap(90000), kFrame),
                before + static_cast<double>(kFrame) / kSecond, 1e-9);
    EXPECT_EQ(t.jumps(), 2);
    // A track that paused for two seconds lands beside the other: a gap, no jump.
    StreamTimeline u;
    u.anchor(0, kStart);
    u.due(Track::Sound, 0, 2880);
    for (int64_t k = 0; k <= 60; ++k) {
        u.due(Track::Picture, k * kFrame, kFrame);
    }
    EXPECT_NEAR(u.due(Track::Sound, 60 * kFrame, 2880), kStart + 60.0 * kFrame / kSecond, 1e-9);
    EXPECT_EQ(u.jumps(), 0);
}

TEST(StreamTimeline, AFastBroadcasterIsFollowedGentlyAndALateStreamStartsAfresh) {
    // The broadcaster's clock runs 300 ppm fast: its pictures arrive a little
    // quicker than they are due, and the buffer grows unless followed.
    StreamTimeline t;
    t.anchor(0, kStart + 0.5);
    const double fast = 1.0003;
    double lead = 0;
    for (int64_t k = 0; k < 30 * 600; ++k) {
        const double arrival = kStart + k * (static_cast<double>(kFrame) / kSecond) / fast;
        const double due = t.due(Track::Picture, k * kFrame, kFrame);
        t.follow(arrival, due);
        lead = due - arrival;
    }
    EXPECT_LT(t.rate(), 1.0);
    EXPECT_GE(t.rate(), 1.0 - StreamTimeline::kMaxPull);
    // Unfollowed, the lead would have grown by 0.18 s in ten minutes.
    EXPECT_LT(lead - 0.5, 0.06);
    EXPECT_GT(lead, 0.45);
    // Shifting puts everything later by as much, the tracks' ends included.
    const double next = t.map(30 * 600 * kFrame);
    t.shift(0.4);
    EXPECT_NEAR(t.due(Track::Picture, 30 * 600 * kFrame, kFrame), next + 0.4, 1e-9);
    EXPECT_EQ(t.jumps(), 0);
}

}  // namespace
