// Any bytes as a transport stream for the fake tuner: the indexer never
// crashes; an indexed stream has a due time for every packet, in order,
// within one loop; and pacing it through two loops with every fault on
// sends whole packets only, never changing a packet's length or sync byte.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "StreamPacer.h"
#include "TsPacket.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // Sync bytes where packets start, so the fuzzer reaches the fields.
    for (std::size_t i = 0; i < bytes.size(); i += faketuner::kPacketSize) {
        bytes[i] = 0x47;
    }
    platform::Result<faketuner::TsFile> ts = faketuner::indexTs(bytes, "f.ts");
    if (!ts) {
        require(ts.message().find("'f.ts'") != std::string::npos);
        return 0;
    }
    const faketuner::TsFile& file = ts.value();
    require(file.sendTimes.size() == file.packets());
    for (std::size_t i = 1; i < file.packets(); ++i) {
        require(file.sendTimes[i] >= file.sendTimes[i - 1]);
    }
    require(file.sendTimes.front() >= 0 && file.sendTimes.back() < file.period);
    if (file.period > 60) {
        return 0;  // clocks that jump far only make the loop slow
    }
    faketuner::Faults f;
    f.dropEvery = 3;
    f.stallAt = 0.01;
    f.stallFor = 0.01;
    f.jumpAt = 0.02;
    f.jumpBy = -3;
    f.ptsOffset = 95443;
    faketuner::StreamPacer pacer(std::make_shared<const faketuner::TsFile>(std::move(ts.value())),
                                 f, 0, 0, 2 * file.period);
    std::string out;
    pacer.take(2 * file.period, out);
    require(out.size() % faketuner::kPacketSize == 0);
    for (std::size_t i = 0; i < out.size(); i += faketuner::kPacketSize) {
        require(out[i] == 0x47);
    }
    return 0;
}
