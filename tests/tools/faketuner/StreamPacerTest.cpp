// The fake tuner's streams on a driven clock: packets go out when the
// stream's own clock (its PCR) reaches them, never sooner; loops join
// seamlessly; each fault does what real tuners and broadcasts do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "StreamPacer.h"
#include "TsPacket.h"
#include "TunerStream.h"

namespace {

using namespace faketuner;
using tunertest::shortStream;

constexpr double kStep = 0.01;
constexpr int64_t kPcrWrap = kTimestampWrap * 300;

struct Released {
    double at = 0;  // clock time
    std::string packet;
};

// Runs the pacer on a clock stepping from `from` to `to`.
std::vector<Released> play(StreamPacer& pacer, double from, double to) {
    std::vector<Released> out;
    for (double t = from; t <= to + 1e-9; t += kStep) {
        std::string bytes;
        pacer.take(t, bytes);
        for (std::size_t i = 0; i + kPacketSize <= bytes.size(); i += kPacketSize) {
            out.push_back({t, bytes.substr(i, kPacketSize)});
        }
    }
    return out;
}

// Seconds of the file's own clock from its first PCR.
double firstPcrSeconds(const TsFile& ts) {
    for (std::size_t i = 0; i < ts.packets(); ++i) {
        if (auto pcr = packetPcr(ts.packet(i))) {
            return static_cast<double>(*pcr) / 27e6;
        }
    }
    return 0;
}

// For each released PCR: the clock time it went out and the stream's clock
// then, counted from the file's first PCR.
std::vector<std::pair<double, double>> pcrTimes(const std::vector<Released>& r, double base) {
    std::vector<std::pair<double, double>> out;
    for (const Released& x : r) {
        if (auto pcr = packetPcr(x.packet)) {
            out.emplace_back(x.at, static_cast<double>(*pcr) / 27e6 - base);
        }
    }
    return out;
}

TEST(StreamPacerTest, SendsEachPacketWhenTheStreamsClockReachesItAcrossLoops) {
    const auto ts = shortStream();
    ASSERT_NEAR(ts->period, tunertest::kStreamSeconds, 0.05);
    StreamPacer pacer(ts, Faults{}, 0, 0, 0);
    const std::vector<Released> r = play(pacer, 0, 2.5 * ts->period);
    const double base = firstPcrSeconds(*ts);
    const auto pcrs = pcrTimes(r, base);
    ASSERT_GT(pcrs.size(), 100u);
    for (const auto& [at, clock] : pcrs) {
        ASSERT_GE(at + 1e-6, clock) << "sent before its time";
        ASSERT_LT(at, clock + kStep + 1e-6) << "sent late";
    }

    // One broadcast: pictures one frame apart through the seams, sound in
    // order, each PID's continuity counter counting on.
    std::vector<int64_t> pictures;
    std::vector<int64_t> sound;
    std::map<int, int> counters;
    for (const Released& x : r) {
        if (auto pes = pesStart(x.packet); pes && pes->pts) {
            ((pes->streamId & 0xF0) == 0xE0 ? pictures : sound).push_back(*pes->pts);
        }
        if (hasPayload(x.packet)) {
            const int pid = packetPid(x.packet);
            if (counters.count(pid) != 0) {
                ASSERT_EQ(continuity(x.packet), (counters[pid] + 1) & 15) << "PID " << pid;
            }
            counters[pid] = continuity(x.packet);
        }
    }
    // The last few pictures sent are not in display order yet (B-frames).
    std::sort(pictures.begin(), pictures.end());
    ASSERT_GT(pictures.size(), 100u);
    for (std::size_t i = 1; i + 4 < pictures.size(); ++i) {
        ASSERT_EQ(pictures[i] - pictures[i - 1], 3003) << "picture " << i;
    }
    // Sound PES hold several frames: no step at a seam is longer than the
    // longest within the file and one frame (the sound's end is rounded to
    // whole frames).
    int64_t longest = 0;
    std::optional<int64_t> last;
    for (std::size_t i = 0; i < ts->packets(); ++i) {
        if (auto pes = pesStart(ts->packet(i)); pes && pes->pts && pes->streamId == 0xC0) {
            longest = last ? std::max(longest, *pes->pts - *last) : 0;
            last = pes->pts;
        }
    }
    for (std::size_t i = 1; i < sound.size(); ++i) {
        ASSERT_GT(sound[i], sound[i - 1]);
        ASSERT_LE(sound[i] - sound[i - 1], longest + 2160) << "a gap in the sound";
    }
}

TEST(StreamPacerTest, ALiveStreamJoinsTheBroadcastWhereItIsAndEndsOnTime) {
    const auto ts = shortStream();
    const double join = 1.3 * ts->period;
    StreamPacer pacer(ts, Faults{}, 0, join, join + 0.8);
    const std::vector<Released> r = play(pacer, join, join + 2);
    const auto pcrs = pcrTimes(r, firstPcrSeconds(*ts));
    ASSERT_FALSE(pcrs.empty());
    EXPECT_NEAR(pcrs.front().second, join, 0.1);
    EXPECT_GE(pcrs.front().second + 1e-6, join);
    EXPECT_LE(r.back().at, join + 0.8 + 1e-6);
    EXPECT_TRUE(pacer.finished(join + 0.8));
    EXPECT_FALSE(pacer.finished(join + 0.79));
}

TEST(StreamPacerTest, FaultsLoseAndShiftWhatTheySay) {
    const auto ts = shortStream();
    const double base = firstPcrSeconds(*ts);
    {
        SCOPED_TRACE("one packet in ten lost: as many continuity gaps");
        Faults f;
        f.dropEvery = 10;
        StreamPacer pacer(ts, f, 0, 0, 0);
        const std::vector<Released> r = play(pacer, 0, 1.5);
        std::map<int, int> counters;
        int64_t gaps = 0;
        for (const Released& x : r) {
            const int pid = packetPid(x.packet);
            if (hasPayload(x.packet)) {
                if (counters.count(pid) != 0) {
                    gaps += (continuity(x.packet) - counters[pid] - 1 + 16) % 16;
                }
                counters[pid] = continuity(x.packet);
            }
        }
        const auto seen = static_cast<int64_t>(r.size()) * 10 / 9;
        EXPECT_NEAR(static_cast<double>(gaps), static_cast<double>(seen) / 10, seen / 100.0 + 3);
    }
    {
        SCOPED_TRACE("a stall from 0.5 s for 1 s: nothing, then the broadcast a second on");
        Faults f;
        f.stallAt = 0.5;
        f.stallFor = 1.0;
        StreamPacer pacer(ts, f, 0, 0, 0);
        const auto pcrs = pcrTimes(play(pacer, 0, 3), base);
        for (std::size_t i = 1; i < pcrs.size(); ++i) {
            EXPECT_FALSE(pcrs[i].first > 0.5 + kStep && pcrs[i].first < 1.5 - kStep)
                << "sent during the stall at " << pcrs[i].first;
            if (pcrs[i - 1].first < 0.5 && pcrs[i].first >= 1.5) {
                EXPECT_NEAR(pcrs[i].second - pcrs[i - 1].second, 1.0, 0.1);
            }
        }
    }
    {
        SCOPED_TRACE("timestamps 5 s later from 1 s on");
        Faults f;
        f.jumpAt = 1.0;
        f.jumpBy = 5.0;
        StreamPacer pacer(ts, f, 0, 0, 0);
        // Sent at `at`, so due a step before at most.
        for (const auto& [at, clock] : pcrTimes(play(pacer, 0, 2), base)) {
            if (at < 1.0 - 1e-6) {
                EXPECT_NEAR(clock - at, 0.0, kStep + 1e-6) << "at " << at;
            } else if (at > 1.0 + kStep + 1e-6) {
                EXPECT_NEAR(clock - at, 5.0, kStep + 1e-6) << "at " << at;
            }
        }
    }
    {
        SCOPED_TRACE("33-bit wrap half a second in");
        Faults f;
        f.ptsOffset = static_cast<double>(kTimestampWrap) / kTicksPerSecond - base - 0.5;
        StreamPacer pacer(ts, f, 0, 0, 0);
        int wraps = 0;
        std::optional<int64_t> last;
        for (const Released& x : play(pacer, 0, 1.5)) {
            if (auto pcr = packetPcr(x.packet)) {
                if (last) {
                    wraps += *pcr < *last ? 1 : 0;
                    EXPECT_LT((*pcr - *last + kPcrWrap) % kPcrWrap, 27e6 / 10);
                }
                last = pcr;
            }
        }
        EXPECT_EQ(wraps, 1);
    }
}

}  // namespace
