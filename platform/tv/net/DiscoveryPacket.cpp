#include "platform/tv/net/DiscoveryPacket.h"

#include <array>

namespace platform::tv::net {
namespace {

constexpr uint16_t kTypeDiscoverRequest = 0x0002;
constexpr uint16_t kTypeDiscoverReply = 0x0003;
constexpr uint8_t kTagDeviceType = 0x01;
constexpr uint8_t kTagDeviceId = 0x02;
constexpr uint8_t kTagTunerCount = 0x10;
constexpr uint8_t kTagLineupUrl = 0x27;
constexpr uint8_t kTagBaseUrl = 0x2A;
constexpr uint32_t kDeviceTypeTuner = 0x00000001;
constexpr uint32_t kWildcard = 0xFFFFFFFF;

// The CRC-32 of Ethernet and zip files (reflected polynomial 0xEDB88320).
uint32_t crc32(const uint8_t* data, std::size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

void putField(std::vector<uint8_t>& out, uint8_t tag, uint32_t value) {
    out.push_back(tag);
    out.push_back(4);
    putU32(out, value);
}

uint32_t readU32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::vector<uint8_t> discoveryRequest() {
    // Two fields of four bytes each: a tuner, any device id.
    constexpr uint16_t kPayload = 2 * (2 + 4);
    std::vector<uint8_t> packet;
    packet.reserve(4 + kPayload + 4);
    packet.push_back(static_cast<uint8_t>(kTypeDiscoverRequest >> 8));
    packet.push_back(static_cast<uint8_t>(kTypeDiscoverRequest & 0xFF));
    packet.push_back(static_cast<uint8_t>(kPayload >> 8));
    packet.push_back(static_cast<uint8_t>(kPayload & 0xFF));
    putField(packet, kTagDeviceType, kDeviceTypeTuner);
    putField(packet, kTagDeviceId, kWildcard);
    const uint32_t crc = crc32(packet.data(), packet.size());
    for (int shift = 0; shift < 32; shift += 8) {
        packet.push_back(static_cast<uint8_t>(crc >> shift));
    }
    return packet;
}

Result<DiscoveredTuner> parseDiscoveryReply(const uint8_t* data, std::size_t size) {
    if (size < 8) {
        return Error{"Discovery answer too short (" + std::to_string(size) + " bytes)"};
    }
    const uint16_t type = static_cast<uint16_t>((data[0] << 8) | data[1]);
    const std::size_t length = static_cast<std::size_t>((data[2] << 8) | data[3]);
    if (type != kTypeDiscoverReply) {
        return Error{"Not a discovery answer (packet type " + std::to_string(type) + ")"};
    }
    if (4 + length + 4 != size) {
        return Error{"Discovery answer of " + std::to_string(size) + " bytes says it holds " +
                     std::to_string(length) + " bytes of fields"};
    }
    const uint8_t* crcAt = data + 4 + length;
    const uint32_t sent = uint32_t{crcAt[0]} | (uint32_t{crcAt[1]} << 8) |
                          (uint32_t{crcAt[2]} << 16) | (uint32_t{crcAt[3]} << 24);
    if (sent != crc32(data, 4 + length)) {
        return Error{"Discovery answer damaged (checksum does not match)"};
    }

    DiscoveredTuner tuner;
    bool haveType = false;
    const uint8_t* p = data + 4;
    const uint8_t* end = crcAt;
    while (p < end) {
        const uint8_t tag = *p++;
        if (p >= end) {
            return Error{"Discovery answer cut off in a field's length"};
        }
        std::size_t len = *p++ & 0x7F;
        if ((p[-1] & 0x80) != 0) {
            if (p >= end) {
                return Error{"Discovery answer cut off in a field's length"};
            }
            len |= static_cast<std::size_t>(*p++) << 7;
        }
        if (len > static_cast<std::size_t>(end - p)) {
            return Error{"Discovery answer cut off in field " + std::to_string(tag)};
        }
        const std::string text(reinterpret_cast<const char*>(p), len);
        switch (tag) {
            case kTagDeviceType:
                if (len == 4) {
                    tuner.deviceType = readU32(p);
                    haveType = true;
                }
                break;
            case kTagDeviceId:
                if (len == 4) {
                    tuner.deviceId = readU32(p);
                }
                break;
            case kTagTunerCount:
                if (len == 1) {
                    tuner.tunerCount = p[0];
                }
                break;
            case kTagBaseUrl:
                tuner.baseUrl = text;
                break;
            case kTagLineupUrl:
                tuner.lineupUrl = text;
                break;
            default:
                break;  // fields of no use to the card
        }
        p += len;
    }
    if (!haveType || tuner.deviceType != kDeviceTypeTuner) {
        return Error{"The device that answered is not a tuner"};
    }
    return tuner;
}

std::string tunerAddress(const DiscoveredTuner& tuner, const std::string& senderHost) {
    std::string url = tuner.baseUrl;
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url.empty() ? "http://" + senderHost : url;
}

}  // namespace platform::tv::net
