// Any bytes as an answer to the tuners' discovery broadcast (anyone on the
// network can send one): the reader never reads outside the packet, and
// what it accepts is a tuner whose texts came from inside the packet.
#include <cstddef>
#include <cstdint>

#include "platform/tv/net/DiscoveryPacket.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const platform::Result<platform::tv::net::DiscoveredTuner> r =
        platform::tv::net::parseDiscoveryReply(data, size);
    if (!r) {
        require(!r.message().empty());
        return 0;
    }
    const platform::tv::net::DiscoveredTuner& t = r.value();
    require(t.deviceType == 1);
    require(t.baseUrl.size() + t.lineupUrl.size() <= size);
    require(!platform::tv::net::tunerAddress(t, "127.0.0.1").empty());
    return 0;
}
