// Any bytes as the header of a recording of any length: the repair never
// reads or writes outside the header, what it accepts adds up, and a
// repaired header repairs to itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/sound/WavRepair.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    // The first bytes say how much sound follows the header.
    uint32_t extra = 0;
    std::memcpy(&extra, data, 4);
    const std::vector<unsigned char> original(data + 4, data + size);
    std::vector<unsigned char> head = original;
    const uint64_t fileSize = head.size() + extra;
    const auto repaired = platform::sound::repairWavHeader(head.data(), head.size(), fileSize);
    if (!repaired) {
        require(head == original);
        return 0;
    }
    const platform::sound::WavLayout& l = repaired.value();
    require(l.blockAlign > 0 && l.dataStart <= fileSize && l.dataStart <= head.size());
    const uint64_t dataBytes = l.frames * l.blockAlign;
    require(l.fileSize == l.dataStart + dataBytes + (dataBytes & 1U));
    require(l.fileSize <= fileSize + 1);

    // Read back from the file as the repair left it: cut to its new length.
    std::vector<unsigned char> twice(
        head.begin(),
        head.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(head.size(), l.fileSize)));
    const auto again = platform::sound::repairWavHeader(twice.data(), twice.size(), l.fileSize);
    require(again && again.value().frames == l.frames &&
            std::equal(twice.begin(), twice.end(), head.begin()));
    return 0;
}
