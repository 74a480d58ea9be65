// Any words as streammaker's command line (split at NUL bytes): the reader
// never crashes, and what it accepts is within the ranges it promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/streammaker/StreamOptions.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    const platform::Result<tools::stream::CommandLine> r = tools::stream::parseCommandLine(args);
    if (!r) {
        require(!r.message().empty());
        return 0;
    }
    const tools::stream::StreamOptions& o = r.value().options;
    require(o.width >= 16 && o.width <= 4096 && o.width % 2 == 0);
    require(o.height >= 16 && o.height <= 4096 && o.height % 2 == 0);
    require(o.seconds >= 0 && o.seconds <= 24 * 3600);
    require(o.grain >= 0 && o.grain <= 40);
    require(tools::stream::defaultVideoKbps(o) >= 200);
    require(!r.value().station.empty() && !r.value().output.empty());
    return 0;
}
