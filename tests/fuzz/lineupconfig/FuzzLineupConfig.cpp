// Any bytes as a channel folder's lineup.json, or as the fake tuner's fault
// settings (name=value): the readers never crash, errors name the file, and
// what is accepted is usable: guide numbers that make file names and
// addresses, file names within the folder, fault times that are numbers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Faults.h"
#include "Lineup.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::Result<std::vector<faketuner::ChannelSpec>> r =
        faketuner::parseLineupConfig(text, "l.json");
    if (!r) {
        require(r.message().find("'l.json'") != std::string::npos);
    } else {
        for (const faketuner::ChannelSpec& c : r.value()) {
            require(faketuner::isGuideNumber(c.guideNumber));
            require(!c.file.empty() && c.file.find('/') == std::string::npos && c.file != "..");
        }
    }
    const std::size_t eq = text.find('=');
    faketuner::Faults f;
    if (faketuner::setFault(
            f, text.substr(0, eq),
            eq == std::string_view::npos ? std::string_view() : text.substr(eq + 1))) {
        for (double v :
             {f.slowTune, f.silentStart, f.stallAt, f.stallFor, f.jumpAt, f.jumpBy, f.ptsOffset}) {
            require(std::isfinite(v));
        }
        require(f.dropEvery == 0 || f.dropEvery >= 2);
    }
    return 0;
}
