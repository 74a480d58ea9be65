#include "TsPacket.h"

namespace faketuner {
namespace {

uint8_t at(std::string_view p, std::size_t i) {
    return static_cast<uint8_t>(p[i]);
}

bool isPacket(std::string_view p) {
    return p.size() == 188 && at(p, 0) == 0x47;
}

bool hasAdaptation(std::string_view p) {
    return (at(p, 3) & 0x20) != 0;
}

// Where the payload starts, or 188 when the packet has none or its
// adaptation field runs past its end.
std::size_t payloadOffset(std::string_view p) {
    std::size_t off = 4;
    if (hasAdaptation(p)) {
        off += 1 + at(p, 4);
    }
    return off > 188 ? 188 : off;
}

bool hasPcr(std::string_view p) {
    // Adaptation field length, flags, then six bytes of PCR.
    return hasAdaptation(p) && at(p, 4) >= 7 && (at(p, 5) & 0x10) != 0;
}

// PES stream ids without the optional header that holds PTS and DTS.
bool hasOptionalHeader(uint8_t id) {
    switch (id) {
        case 0xBC:  // program stream map
        case 0xBE:  // padding
        case 0xBF:  // private stream 2
        case 0xF0:  // ECM
        case 0xF1:  // EMM
        case 0xF2:  // DSMCC
        case 0xF8:  // H.222.1 type E
        case 0xFF:  // program stream directory
            return false;
        default:
            return id >= 0xBD;
    }
}

int64_t readTimestamp(std::string_view b) {
    return (static_cast<int64_t>(at(b, 0) & 0x0E) << 29) | (static_cast<int64_t>(at(b, 1)) << 22) |
           (static_cast<int64_t>(at(b, 2) & 0xFE) << 14) | (static_cast<int64_t>(at(b, 3)) << 7) |
           (at(b, 4) >> 1);
}

// Keeps the four prefix bits and the marker bits.
void writeTimestamp(std::string& p, std::size_t off, int64_t t) {
    p[off] = static_cast<char>((at(p, off) & 0xF1) | ((t >> 29) & 0x0E));
    p[off + 1] = static_cast<char>((t >> 22) & 0xFF);
    p[off + 2] = static_cast<char>(((t >> 14) & 0xFE) | 0x01);
    p[off + 3] = static_cast<char>((t >> 7) & 0xFF);
    p[off + 4] = static_cast<char>(((t << 1) & 0xFE) | 0x01);
}

int64_t wrap(int64_t t) {
    return ((t % kTimestampWrap) + kTimestampWrap) % kTimestampWrap;
}

// Where the PES header's PTS and DTS are, when the packet starts a PES with them.
struct TimestampPlaces {
    std::size_t pts = 0;  // 0: none
    std::size_t dts = 0;
};

TimestampPlaces timestampPlaces(std::string_view p) {
    TimestampPlaces places;
    if (!isPacket(p) || !startsPayload(p)) {
        return places;
    }
    const std::size_t off = payloadOffset(p);
    if (off + 19 > 188 || at(p, off) != 0 || at(p, off + 1) != 0 || at(p, off + 2) != 1 ||
        !hasOptionalHeader(at(p, off + 3)) || (at(p, off + 6) & 0xC0) != 0x80) {
        return places;
    }
    const int flags = at(p, off + 7) >> 6;
    const std::size_t headerLength = at(p, off + 8);
    if (flags >= 2 && headerLength >= 5) {
        places.pts = off + 9;
    }
    if (flags == 3 && headerLength >= 10) {
        places.dts = off + 14;
    }
    return places;
}

}  // namespace

int packetPid(std::string_view p) {
    return isPacket(p) ? ((at(p, 1) & 0x1F) << 8) | at(p, 2) : -1;
}

bool startsPayload(std::string_view p) {
    return isPacket(p) && (at(p, 1) & 0x40) != 0;
}

bool hasPayload(std::string_view p) {
    return isPacket(p) && (at(p, 3) & 0x10) != 0;
}

std::string_view payloadOf(std::string_view p) {
    if (!hasPayload(p)) {
        return {};
    }
    return p.substr(payloadOffset(p));
}

std::optional<int64_t> packetPcr(std::string_view p) {
    if (!isPacket(p) || !hasPcr(p)) {
        return std::nullopt;
    }
    const int64_t base = (static_cast<int64_t>(at(p, 6)) << 25) | (at(p, 7) << 17) |
                         (at(p, 8) << 9) | (at(p, 9) << 1) | (at(p, 10) >> 7);
    const int64_t ext = ((at(p, 10) & 0x01) << 8) | at(p, 11);
    return base * 300 + ext;
}

std::optional<PesStart> pesStart(std::string_view p) {
    if (!startsPayload(p) || !hasPayload(p)) {
        return std::nullopt;
    }
    const std::size_t off = payloadOffset(p);
    if (off + 4 > 188 || at(p, off) != 0 || at(p, off + 1) != 0 || at(p, off + 2) != 1) {
        return std::nullopt;
    }
    PesStart start;
    start.streamId = at(p, off + 3);
    const TimestampPlaces places = timestampPlaces(p);
    if (places.pts != 0) {
        start.pts = readTimestamp(p.substr(places.pts, 5));
    }
    return start;
}

void shiftTimestamps(std::string& p, int64_t ticks) {
    if (!isPacket(p)) {
        return;
    }
    if (hasPcr(p)) {
        const int64_t pcr = *packetPcr(p);
        const int64_t base = wrap(pcr / 300 + ticks);
        const int64_t ext = pcr % 300;
        p[6] = static_cast<char>((base >> 25) & 0xFF);
        p[7] = static_cast<char>((base >> 17) & 0xFF);
        p[8] = static_cast<char>((base >> 9) & 0xFF);
        p[9] = static_cast<char>((base >> 1) & 0xFF);
        p[10] = static_cast<char>(((base & 1) << 7) | (at(p, 10) & 0x7E) | ((ext >> 8) & 1));
        p[11] = static_cast<char>(ext & 0xFF);
    }
    const TimestampPlaces places = timestampPlaces(p);
    for (std::size_t off : {places.pts, places.dts}) {
        if (off != 0) {
            writeTimestamp(p, off, wrap(readTimestamp(std::string_view(p).substr(off, 5)) + ticks));
        }
    }
}

void setContinuity(std::string& p, int counter) {
    if (isPacket(p)) {
        p[3] = static_cast<char>((at(p, 3) & 0xF0) | (counter & 0x0F));
    }
}

int continuity(std::string_view p) {
    return isPacket(p) ? at(p, 3) & 0x0F : -1;
}

}  // namespace faketuner
