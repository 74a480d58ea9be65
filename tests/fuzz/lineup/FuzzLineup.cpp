// A network tuner's JSON documents as a tuner (or anything answering on its
// address) might send them: the first byte picks discover.json, lineup.json
// or lineup_status.json. Whatever the text, the readers return a value or an
// error, and what they return keeps their promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/tv/stream/Lineup.h"

namespace {
void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    using namespace platform::tv::stream;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0: {
            const auto d = parseDiscover(text);
            require(d.isOk() || !d.message().empty());
            require(!d.isOk() || d.value().tunerCount >= 0);
            break;
        }
        case 1: {
            const auto l = parseLineup(text);
            require(l.isOk() || !l.message().empty());
            if (l.isOk()) {
                require(l.value().skipped >= 0);
                for (const LineupChannel& ch : l.value().channels) {
                    require(!ch.guideNumber.empty() && !ch.url.empty());
                }
            }
            break;
        }
        default: {
            const auto s = parseLineupStatus(text);
            require(s.isOk() || !s.message().empty());
            require(!s.isOk() ||
                    (s.value().progress >= 0 && s.value().progress <= 100 && s.value().found >= 0));
            break;
        }
    }
    return 0;
}
