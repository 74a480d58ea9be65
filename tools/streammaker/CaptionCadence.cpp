#include "tools/streammaker/CaptionCadence.h"

namespace tools::stream {
namespace {

constexpr uint16_t kNullPair = 0x8080;

// One field's line-21 slot within a frame: field 2, or field 1 with its pair.
struct Slot {
    bool field1 = false;
    int64_t pair = -1;
};

bool isControl(uint16_t pair) {
    const int first = (pair >> 8) & 0x7F;
    return first >= 0x10 && first <= 0x1F;
}

// The second of two copies of a control code, which a padding encoder keeps
// apart from the first.
bool isSecondCopy(const PairAt& pairAt, int64_t k) {
    if (k < 1) {
        return false;
    }
    const uint16_t p = pairAt(k);
    return isControl(p) && pairAt(k - 1) == p;
}

// The fields of frame f in the order they are shown, field 1 being the top.
std::vector<Slot> slotsOf(FrameRate rate, int64_t f) {
    switch (rate) {
        case FrameRate::Interlaced2997:
            return {{true, f}, {false, -1}};
        case FrameRate::Progressive5994:
            if (f % 2 == 0) {
                return {{true, f / 2}};
            }
            return {{false, -1}};
        case FrameRate::Film23976: {
            // Four film frames make ten fields: top-bottom-top, bottom-top,
            // bottom-top-bottom, top-bottom; five of them carry field 1.
            const int64_t base = f / 4 * 5;
            switch (f % 4) {
                case 0:
                    return {{true, base}, {false, -1}, {true, base + 1}};
                case 1:
                    return {{false, -1}, {true, base + 2}};
                case 2:
                    return {{false, -1}, {true, base + 3}, {false, -1}};
                default:
                    return {{true, base + 4}, {false, -1}};
            }
        }
    }
    return {};
}

void put(std::vector<uint8_t>& out, uint8_t a, uint8_t b, uint8_t c) {
    out.push_back(a);
    out.push_back(b);
    out.push_back(c);
}

}  // namespace

Rational framesPerSecond(FrameRate rate) {
    switch (rate) {
        case FrameRate::Interlaced2997:
            return {30000, 1001};
        case FrameRate::Progressive5994:
            return {60000, 1001};
        case FrameRate::Film23976:
            return {24000, 1001};
    }
    return {30000, 1001};
}

int tripletsPerFrame(FrameRate rate) {
    // cc_count of ATSC encoders: 9600 bit/s of caption data per frame rate.
    switch (rate) {
        case FrameRate::Interlaced2997:
            return 20;
        case FrameRate::Progressive5994:
            return 10;
        case FrameRate::Film23976:
            return 25;
    }
    return 20;
}

int64_t frameOfPair(FrameRate rate, int64_t pair) {
    switch (rate) {
        case FrameRate::Interlaced2997:
            return pair;
        case FrameRate::Progressive5994:
            return pair * 2;
        case FrameRate::Film23976: {
            static constexpr int64_t kFrameOfSlot[5] = {0, 0, 1, 2, 3};
            return pair / 5 * 4 + kFrameOfSlot[pair % 5];
        }
    }
    return pair;
}

std::vector<uint8_t> ccDataOfFrame(const CadenceOptions& options, int64_t frame,
                                   const PairAt& pairAt) {
    std::vector<uint8_t> out;
    const int count = tripletsPerFrame(options.rate);
    out.reserve(static_cast<std::size_t>(count) * 3);
    for (const Slot& slot : slotsOf(options.rate, frame)) {
        if (!slot.field1) {
            // A 59.94 frame between the two copies of a control code carries
            // a field-1 null instead of its field-2 slot.
            const int64_t next = (frame + 1) / 2;
            if (options.padControls && options.rate == FrameRate::Progressive5994 &&
                isSecondCopy(pairAt, next)) {
                put(out, kField1, kNullPair >> 8, kNullPair & 0xFF);
            } else {
                put(out, kField2, kNullPair >> 8, kNullPair & 0xFF);
            }
            continue;
        }
        if (options.padControls && options.rate != FrameRate::Progressive5994 &&
            isSecondCopy(pairAt, slot.pair)) {
            put(out, kField1, kNullPair >> 8, kNullPair & 0xFF);
        }
        const uint16_t p = pairAt(slot.pair);
        put(out, kField1, static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p & 0xFF));
    }
    // A DTVCC packet holding one null service block, its sequence number
    // counting frames, as the 708 service runs beside line 21.
    put(out, kDtvccStart, static_cast<uint8_t>(((frame & 3) << 6) | 0x01), 0x00);
    while (out.size() < static_cast<std::size_t>(count) * 3) {
        put(out, kDtvccPadding, 0x00, 0x00);
    }
    return out;
}

}  // namespace tools::stream
