#pragma once
// Where a stream's line-21 pairs go: one field-1 pair every 1001/30000 s
// whatever the video's frame rate, so a frame carries one pair (29.97
// interlaced), a pair every other frame (59.94 progressive) or one or two
// pairs (23.976 film with 3:2 pull-down). Each frame's ATSC A/53 cc_data is
// built as broadcast encoders build it: the 608 triplets of the frame's
// fields in field order, a DTVCC packet, then padding to a fixed count.
#include <cstdint>
#include <functional>
#include <vector>

namespace tools::stream {

enum class FrameRate {
    Interlaced2997 = 1,  // 30000/1001 frames of two fields
    Progressive5994,     // 60000/1001 frames, one field's worth each
    Film23976,           // 24000/1001 frames, fields 3, 2, 3, 2 (pull-down)
};

struct Rational {
    int num = 0;
    int den = 1;
};

// Frames per second as a fraction (30000/1001 and so on).
Rational framesPerSecond(FrameRate rate);

// How many cc_data triplets every frame carries: fixed per frame rate, as
// ATSC encoders send them (the unused ones are padding).
int tripletsPerFrame(FrameRate rate);

// The frame of this rate on display when 29.97 Hz pair `pair` is due.
int64_t frameOfPair(FrameRate rate, int64_t pair);

// Line-21 pair k of the programme (first byte high, parity bits set).
using PairAt = std::function<uint16_t(int64_t)>;

struct CadenceOptions {
    FrameRate rate = FrameRate::Interlaced2997;
    // A null pair between the two copies of a control code, as some encoders
    // separate them at 59.94 and 23.976 frames per second.
    bool padControls = false;
};

// cc_data of frame `frame` (display order): tripletsPerFrame(rate) * 3 bytes.
std::vector<uint8_t> ccDataOfFrame(const CadenceOptions& options, int64_t frame,
                                   const PairAt& pairAt);

// Byte 0 of a triplet: five marker bits, cc_valid, cc_type.
constexpr uint8_t kField1 = 0xFC;        // valid, 608 field 1
constexpr uint8_t kField2 = 0xFD;        // valid, 608 field 2
constexpr uint8_t kDtvccStart = 0xFF;    // valid, DTVCC packet start
constexpr uint8_t kDtvccPadding = 0xFA;  // not valid, DTVCC: padding

}  // namespace tools::stream
