// Any bytes as cuelark-export's command line (arguments split at NUL): the
// parser never crashes, refuses with a message, or gives a command that has
// scripts to export, something to write and sane numbers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "study/cli/ExportArgs.h"

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
    const platform::Result<study::ExportCommand> r = study::parseExportArgs(args);
    if (!r) {
        require(!r.message().empty());
        return 0;
    }
    const study::ExportCommand& c = r.value();
    if (c.help) {
        return 0;
    }
    const study::ExportOptions& o = c.options;
    require(!c.scripts.empty());
    require(!o.ankiDir.empty() || !o.clipsDir.empty() || !o.condensedPath.empty() || o.srt ||
            o.vtt);
    require(o.padding.beforeMs >= 0 && o.padding.beforeMs <= 10000);
    require(o.padding.afterMs >= 0 && o.padding.afterMs <= 10000);
    require(o.condensedGapMs >= 0 && o.condensedGapMs <= 10000);
    require(o.targetLufs >= -40 && o.targetLufs <= -5);
    return 0;
}
