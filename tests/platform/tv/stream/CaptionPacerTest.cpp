// The pacer sends one pair per 1001/30000 s, each no earlier than its
// frame's presentation time, in the order queued, with null pairs where
// nothing is due, whatever the frame rate of the pictures that carried them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/core/Clock.h"
#include "platform/scc/Scc.h"
#include "platform/tv/Line21.h"
#include "platform/tv/stream/CaptionPacer.h"

using namespace platform::tv::stream;
using platform::ManualClock;
using platform::scc::frameTime;
using platform::scc::kFrameSeconds;

namespace {

constexpr double kOrigin = 500.0;
constexpr LinePair kNull{0x80, 0x80};

struct Sent {
    int64_t slot = 0;
    double due = 0;
    double sentAt = 0;
    LinePair pair;
};

class Pacer : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.set(kOrigin - 0.3);
        pacer.setSlotSink([this](int64_t slot, double due, LinePair pair) {
            sent.push_back({slot, due, clock.now(), pair});
        });
        pacer.setTarget(0x77);
        pacer.setSender([this](platform::win::HWND h, platform::win::WPARAM w) {
            EXPECT_EQ(h, 0x77);
            wParams.push_back(w);
        });
        pacer.start(kOrigin);
    }

    // Pumps once at every slot time up to slot `last`.
    void pumpEachSlot(int64_t last) {
        for (int64_t k = 0; k <= last; ++k) {
            clock.set(kOrigin + frameTime(k));
            pacer.pump();
        }
    }

    // The non-null pairs sent, with their slots.
    std::vector<std::pair<int64_t, LinePair>> data() const {
        std::vector<std::pair<int64_t, LinePair>> out;
        for (const Sent& s : sent) {
            if (!(s.pair == kNull)) {
                out.emplace_back(s.slot, s.pair);
            }
        }
        return out;
    }

    ManualClock clock;
    CaptionPacer pacer{clock};
    std::vector<Sent> sent;
    std::vector<platform::win::WPARAM> wParams;
};

LinePair letter(int k) {
    return {static_cast<uint8_t>(0x41 + k), 0x80};
}

TEST_F(Pacer, Interlaced2997OnePairPerFrameInItsOwnSlotNullsWhereNone) {
    for (int k = 0; k < 10; ++k) {
        if (k != 3) {
            pacer.push(kOrigin + frameTime(k), letter(k));
        }
    }
    pumpEachSlot(11);
    ASSERT_EQ(sent.size(), 12u);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(sent[k].slot, k);
        EXPECT_DOUBLE_EQ(sent[k].sentAt, kOrigin + frameTime(k));
        EXPECT_EQ(sent[k].pair, (k == 3 || k >= 10) ? kNull : letter(k)) << "slot " << k;
    }
    // Every slot reaches the caption window as message 1067, bits reversed.
    ASSERT_EQ(wParams.size(), 12u);
    EXPECT_EQ(wParams[0], platform::tv::packCaptionPair(0x41, 0x80));
    EXPECT_EQ(wParams[3], platform::tv::packCaptionPair(0x80, 0x80));
}

TEST_F(Pacer, FramesDriftingPastTheirSlotsLeaveAtTheirOwnTimeNotAFrameLater) {
    // The broadcaster's clock runs a little slow against ours: each frame is
    // due 1 ms later than the one before would put it.
    std::vector<double> frameDue;
    for (int k = 0; k < 8; ++k) {
        frameDue.push_back(kOrigin + frameTime(k) + 0.001 * k);
        pacer.push(frameDue.back(), letter(k));
    }
    for (int k = 0; k < 40 && data().size() < frameDue.size(); ++k) {
        clock.set(pacer.nextDue());
        pacer.pump();
    }
    ASSERT_EQ(data().size(), frameDue.size());
    std::size_t k = 0;
    for (const Sent& s : sent) {
        if (!(s.pair == kNull)) {
            EXPECT_GE(s.sentAt + 1e-9, frameDue[k]) << "pair " << k << " left early";
            EXPECT_LT(s.sentAt - frameDue[k], 0.002) << "pair " << k << " waited for a slot";
            ++k;
        }
    }
}

TEST_F(Pacer, Progressive5994PairEveryOtherFrameAndPaddedControlCopiesBackToBack) {
    // Frames every 1001/60000 s; even frames carry a pair. Frames 5..7 are
    // the two copies of erase displayed memory with an encoder's padding
    // (already dropped by the triplet filter) between them.
    const double half = kFrameSeconds / 2;
    for (int j = 0; j < 12; j += 2) {
        const LinePair p = (j == 4 || j == 6) ? LinePair{0x94, 0x2C} : letter(j / 2);
        pacer.push(kOrigin + j * half, p);
    }
    pumpEachSlot(6);
    const std::vector<std::pair<int64_t, LinePair>> expected = {
        {0, letter(0)},    {1, letter(1)}, {2, {0x94, 0x2C}},
        {3, {0x94, 0x2C}}, {4, letter(4)}, {5, letter(5)}};
    EXPECT_EQ(data(), expected);
}

TEST_F(Pacer, PullDownFrameWithTwoPairsFillsConsecutiveSlotsNeverEarly) {
    // 23.976 film, fields 3-2-3-2: field-1 pairs 2, 1, 1, 1 per four frames.
    const double film = 1001.0 / 24000.0;
    const int perFrame[4] = {2, 1, 1, 1};
    std::vector<double> frameOfPair;
    int n = 0;
    for (int f = 0; f < 12; ++f) {
        for (int i = 0; i < perFrame[f % 4]; ++i) {
            frameOfPair.push_back(kOrigin + f * film);
            pacer.push(frameOfPair.back(), letter(n++ % 26));
        }
    }
    pumpEachSlot(n + 2);
    const auto got = data();
    ASSERT_EQ(static_cast<int>(got.size()), n);
    for (int k = 0; k < n; ++k) {
        EXPECT_EQ(got[k].first, k) << "pair " << k << " leaves in its own slot";
        EXPECT_GE(sent[k].due + 1e-9, frameOfPair[k]) << "pair " << k << " left early";
        EXPECT_LT(sent[k].due - frameOfPair[k], kFrameSeconds) << "pair " << k << " late";
    }
}

TEST_F(Pacer, LateWakeUpCatchesUpAndLatePairsWaitTheirTurn) {
    pacer.push(kOrigin + frameTime(0), letter(0));
    pacer.push(kOrigin + frameTime(2), letter(2));
    clock.set(kOrigin + frameTime(5) + 0.001);
    EXPECT_EQ(pacer.pump(), 6);  // slots 0..5 at once, in order
    // A pair whose frame came too late for its slot is not lost: it goes
    // out in the next one.
    pacer.push(kOrigin + frameTime(4), letter(4));
    pacer.push(kOrigin + frameTime(9), letter(9));
    pumpEachSlot(10);
    const std::vector<std::pair<int64_t, LinePair>> expected = {
        {0, letter(0)}, {2, letter(2)}, {6, letter(4)}, {9, letter(9)}};
    EXPECT_EQ(data(), expected);
    for (std::size_t i = 1; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].slot, sent[i - 1].slot + 1);
    }
    // Stopping drops what is queued; a new start counts slots from its origin.
    pacer.push(kOrigin + frameTime(20), letter(20));
    pacer.stop();
    clock.set(kOrigin + frameTime(30));
    EXPECT_EQ(pacer.pump(), 0);
    pacer.start(kOrigin + frameTime(30));
    EXPECT_EQ(pacer.queued(), 0u);
    EXPECT_EQ(pacer.pump(), 1);
}

TEST_F(Pacer, NothingPumpingKeepsTheQueueBounded) {
    for (int k = 0; k < 30 * 600; ++k) {
        clock.set(kOrigin + frameTime(k) - 1.0);
        pacer.push(kOrigin + frameTime(k), letter(k % 26));
    }
    EXPECT_LE(pacer.queued(), static_cast<std::size_t>(
                                  (CaptionPacer::kMaxBacklogSeconds + 1.0) / kFrameSeconds + 2));
}

}  // namespace
