#pragma once
// Reading and changing the fields of one 188-byte transport stream packet
// that the fake tuner cares about: PID, continuity counter, PCR, and the
// PTS/DTS of a PES header that starts in it. Every function accepts any
// 188 bytes and leaves a packet it cannot read untouched.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace faketuner {

constexpr int64_t kTimestampWrap = int64_t{1} << 33;  // PTS, DTS and PCR base

int packetPid(std::string_view p);
bool startsPayload(std::string_view p);
bool hasPayload(std::string_view p);

// The PCR in 27 MHz ticks.
std::optional<int64_t> packetPcr(std::string_view p);

// The PES of a packet that starts one: its stream id and its PTS (90 kHz).
struct PesStart {
    uint8_t streamId = 0;
    std::optional<int64_t> pts;
};
std::optional<PesStart> pesStart(std::string_view p);

// The packet's payload after its header and adaptation field.
std::string_view payloadOf(std::string_view p);

// Moves the packet's PCR and PTS/DTS by `ticks` (90 kHz), wrapping at 2^33.
void shiftTimestamps(std::string& p, int64_t ticks);

void setContinuity(std::string& p, int counter);
int continuity(std::string_view p);

}  // namespace faketuner
