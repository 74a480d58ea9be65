#pragma once
// The network tuners' discovery on the local network: a UDP broadcast to
// port 65001 asking every tuner to answer, and the answers. A packet is a
// 16-bit type and a 16-bit payload length (big-endian), the payload as
// tag-length-value fields, and a CRC-32 of all that (little-endian). A
// field's length takes one byte below 128, else two (the low seven bits with
// the top bit set, then the rest).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace platform::tv::net {

constexpr uint16_t kDiscoveryPort = 65001;

// A request for every tuner to answer.
std::vector<uint8_t> discoveryRequest();

struct DiscoveredTuner {
    uint32_t deviceId = 0;
    uint32_t deviceType = 0;
    int tunerCount = 0;
    std::string baseUrl;    // "http://192.168.1.20:80"; empty when the tuner sends none
    std::string lineupUrl;  // empty when the tuner sends none
};

// An answer, as received. Anything else (a request, a damaged packet, a
// device that is not a tuner) is an error that says what is wrong with it.
Result<DiscoveredTuner> parseDiscoveryReply(const uint8_t* data, std::size_t size);

// The address a tuner is reached at: its base URL, else the address the
// answer came from.
std::string tunerAddress(const DiscoveredTuner& tuner, const std::string& senderHost);

}  // namespace platform::tv::net
