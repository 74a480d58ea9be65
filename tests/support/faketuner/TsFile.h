#pragma once
// A transport stream file as the fake tuner plays it: its 188-byte packets,
// when each is due on the stream's own clock (its PCRs), how long one loop
// of it lasts, and what it carries.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace faketuner {

constexpr std::size_t kPacketSize = 188;
constexpr int64_t kTicksPerSecond = 90000;  // PTS, DTS and the PCR's base

struct TsFile {
    std::string bytes;              // whole packets only
    std::vector<double> sendTimes;  // per packet, seconds from the first
    double period = 0;              // seconds from one loop's start to the next
    std::string videoCodec;         // "MPEG2", "H264" or "" when unknown
    std::string audioCodec;         // "MPEG", "AC3", "AAC" or ""

    std::size_t packets() const { return bytes.size() / kPacketSize; }
    std::string_view packet(std::size_t i) const {
        return std::string_view(bytes).substr(i * kPacketSize, kPacketSize);
    }
};

// Indexes a transport stream's bytes. A packet is due when the stream's
// clock (its PCR, interpolated between PCRs) reaches it; a loop lasts from
// the first picture to the end of the last (or from the first PCR to one PCR
// interval past the last, in a stream without pictures). Errors name what
// is wrong with the stream in the words of source (a file name).
platform::Result<TsFile> indexTs(std::string bytes, const std::string& source);

platform::Result<TsFile> readTsFile(const std::string& path);

}  // namespace faketuner
