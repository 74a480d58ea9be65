#pragma once
// Line-21 pairs out of ATSC A/53 caption data (cc_data), as a decoded
// picture carries it (AV_FRAME_DATA_A53_CC) and as an eia_608 track's packets
// (a MOV c608 track) carry it. cc_data is a run of 3-byte triplets: byte 0
// holds five marker bits, cc_valid (bit 2) and cc_type (bits 1-0); bytes 1
// and 2 are the two line-21 bytes with their odd parity bit, in normal bit
// order. cc_type 0 is CEA-608 field 1 (CC1/CC2), the only one the card
// shows; field 2 (type 1) and CEA-708 (types 2, 3) are not line 21's.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::tv::stream {

// One line-21 byte pair, parity bits as broadcast.
struct LinePair {
    uint8_t first = 0;
    uint8_t second = 0;
    bool operator==(const LinePair&) const = default;
};

// Appends to out the field-1 pairs of cc_data (size bytes; a trailing
// partial triplet is ignored), in the order they were coded: triplets with
// cc_valid set and cc_type 0, except the null pair 0x80 0x80, which an
// encoder sends as padding and which carries nothing. Dropping it keeps the
// two copies of a control code that padding separated back to back, so the
// caption decoder acts on them once, as on an analog line.
void appendField1Pairs(const uint8_t* ccData, std::size_t size, std::vector<LinePair>& out);

}  // namespace platform::tv::stream
