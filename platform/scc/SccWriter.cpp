#include <cstdio>

#include "platform/scc/Scc.h"
#include "platform/scc/Timecode.h"

namespace platform::scc {

std::string formatScc(const std::vector<CaptionWord>& words, bool dropFrame) {
    std::string out = "Scenarist_SCC V1.0";
    int64_t next = -1;  // the frame that would continue the current line
    for (const CaptionWord& w : words) {
        if (w.frame != next) {
            out += "\n\n" + formatTimecode(w.frame, dropFrame) + "\t";
        } else {
            out += ' ';
        }
        char hex[8] = {};
        std::snprintf(hex, sizeof hex, "%02x%02x", w.first, w.second);
        out += hex;
        next = w.frame + 1;
    }
    out += '\n';
    return out;
}

}  // namespace platform::scc
