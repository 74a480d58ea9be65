// Where the stream maker puts each line-21 pair: every pair of the programme
// once, in order, in the frame on display when it is due; the cc_data laid
// out as decoders expect it; and the optional null between control copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/streammaker/CaptionCadence.h"

namespace tools::stream {
void PrintTo(FrameRate r, std::ostream* os) {
    *os << static_cast<int>(r);
}
}  // namespace tools::stream

namespace {

using namespace tools::stream;

constexpr uint16_t kNull = 0x8080;
constexpr uint16_t kEoc = 0x942F;  // end of caption, a control code with parity
constexpr uint16_t kEdm = 0x942C;  // erase displayed memory

// A programme with every sort of pair: letters, nulls, doubled control codes
// (also at the 23.976 cadence's frame boundaries), a control code sent once.
uint16_t programme(int64_t k) {
    switch (k % 23) {
        case 3:
        case 4:
            return kEdm;
        case 9:
        case 10:
            return kEoc;
        case 14:
            return kEoc;  // alone
        case 17:
        case 18:
            return kNull;
        default:
            return static_cast<uint16_t>(0xC1C2 + (k % 7));
    }
}

struct Field1 {
    int64_t frame = 0;
    uint16_t pair = 0;
};

// The field-1 pairs of frames [0, frames) in the order a decoder sees them.
std::vector<Field1> field1Pairs(const CadenceOptions& o, int64_t frames) {
    std::vector<Field1> out;
    for (int64_t f = 0; f < frames; ++f) {
        const std::vector<uint8_t> cc = ccDataOfFrame(o, f, programme);
        for (std::size_t i = 0; i < cc.size(); i += 3) {
            if (cc[i] == kField1) {
                out.push_back({f, static_cast<uint16_t>((cc[i + 1] << 8) | cc[i + 2])});
            }
        }
    }
    return out;
}

class CaptionCadenceTest : public ::testing::TestWithParam<FrameRate> {};

TEST_P(CaptionCadenceTest, EveryPairOnceInOrderInTheFrameOnDisplayWhenDue) {
    const CadenceOptions o{GetParam(), false};
    const Rational fps = framesPerSecond(o.rate);
    const int64_t frames = 4 * 60;  // a whole number of 23.976 cadences
    const std::vector<Field1> got = field1Pairs(o, frames);
    const int64_t pairs = frames * 30000 * fps.den / (1001 * fps.num);
    ASSERT_EQ(static_cast<int64_t>(got.size()), pairs);
    for (int64_t k = 0; k < pairs; ++k) {
        const Field1& g = got[static_cast<std::size_t>(k)];
        ASSERT_EQ(g.pair, programme(k)) << "pair " << k;
        EXPECT_EQ(g.frame, frameOfPair(o.rate, k)) << "pair " << k;
        // Pair k is due at k * 1001/30000 s; its frame is shown from
        // frame * den/num s for one frame. Compared in units of 1/120000 s.
        const int64_t due = k * 1001 * 4;
        const int64_t shown = g.frame * fps.den * 120000 / fps.num;
        const int64_t until = (g.frame + 1) * fps.den * 120000 / fps.num;
        EXPECT_LE(shown, due) << "pair " << k;
        EXPECT_LT(due, until) << "pair " << k;
    }
}

TEST_P(CaptionCadenceTest, FixedCountWith608BeforeDtvcc) {
    const CadenceOptions o{GetParam(), true};
    for (int64_t f = 0; f < 40; ++f) {
        const std::vector<uint8_t> cc = ccDataOfFrame(o, f, programme);
        ASSERT_EQ(cc.size(), static_cast<std::size_t>(tripletsPerFrame(o.rate)) * 3);
        // Decoders take the field of line 21 from the first triplet they
        // see, and A/53 puts the 608 triplets first.
        EXPECT_EQ(cc[0] & 0xFE, 0xFC) << "frame " << f;
        bool dtvcc = false;
        for (std::size_t i = 0; i < cc.size(); i += 3) {
            EXPECT_EQ(cc[i] & 0xF8, 0xF8) << "marker bits, frame " << f;
            const bool is608 = (cc[i] & 0x02) == 0;
            EXPECT_FALSE(dtvcc && is608) << "608 after 708 in frame " << f;
            dtvcc = dtvcc || !is608;
        }
    }
}

TEST_P(CaptionCadenceTest, PaddingPutsANullBetweenControlCopiesOnly) {
    const int64_t frames = 4 * 60;
    std::vector<Field1> plain = field1Pairs({GetParam(), false}, frames);
    std::vector<Field1> padded = field1Pairs({GetParam(), true}, frames);
    // With the added nulls taken out, the pairs are the same.
    std::vector<uint16_t> a;
    std::vector<uint16_t> b;
    std::size_t copies = 0;
    for (std::size_t i = 0; i < padded.size(); ++i) {
        const bool second = i + 1 < padded.size() && padded[i].pair == kNull &&
                            (padded[i + 1].pair & 0x7000) == 0x1000 && i >= 1 &&
                            padded[i - 1].pair == padded[i + 1].pair;
        if (second) {
            ++copies;
        } else {
            b.push_back(padded[i].pair);
        }
    }
    for (std::size_t i = 0; i < plain.size(); ++i) {
        a.push_back(plain[i].pair);
        const bool secondCopy =
            i >= 1 && plain[i].pair == plain[i - 1].pair && (plain[i].pair & 0x7000) == 0x1000;
        if (secondCopy) {
            --copies;
        }
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(copies, 0u) << "a null for every second copy and for nothing else";
    EXPECT_GT(padded.size(), plain.size());
}

std::string rateName(const ::testing::TestParamInfo<FrameRate>& info) {
    static const char* const kNames[] = {"", "Interlaced2997", "Progressive5994", "Film23976"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Rates, CaptionCadenceTest,
                         ::testing::Values(FrameRate::Interlaced2997, FrameRate::Progressive5994,
                                           FrameRate::Film23976),
                         rateName);

}  // namespace
