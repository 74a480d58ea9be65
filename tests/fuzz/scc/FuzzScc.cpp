// Any bytes as an SCC file: the reader never crashes, keeps one word per frame
// in frame order, names the file in every warning, and what it read survives
// being written out and read again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/scc/Scc.h"
#include "platform/scc/Timecode.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::Result<platform::scc::CaptionTrack> r = platform::scc::parseScc(text, "f.scc");
    if (!r) {
        require(r.message().rfind("f.scc: ", 0) == 0);
        return 0;
    }
    const platform::scc::CaptionTrack& track = r.value();
    require(!track.words.empty());
    for (size_t i = 1; i < track.words.size(); ++i) {
        require(track.words[i - 1].frame < track.words[i].frame);
    }
    for (const std::string& w : track.warnings) {
        require(w.rfind("f.scc:", 0) == 0);
    }
    // Drop-frame timecodes name fewer frames in a day than non-drop ones.
    const bool fitsDropFrame = track.words.back().frame < platform::scc::kDropFramesPerDay;
    for (const bool drop : {true, false}) {
        if (drop && !fitsDropFrame) {
            continue;
        }
        const platform::Result<platform::scc::CaptionTrack> again =
            platform::scc::parseScc(platform::scc::formatScc(track.words, drop), "g.scc");
        require(again.isOk() && again.value().warnings.empty());
        require(again.value().words.size() == track.words.size());
        for (size_t i = 0; i < track.words.size(); ++i) {
            const platform::scc::CaptionWord& a = track.words[i];
            const platform::scc::CaptionWord& b = again.value().words[i];
            require(a.frame == b.frame && a.first == b.first && a.second == b.second);
        }
    }
    return 0;
}
