#pragma once
// Turns a caption track into the script file the program would write while
// recording it: every frame's pair goes, at its due time, through the same
// unpacking as a caption message from the card and into cldCCFactory.
#include <cstdint>
#include <string>

#include "platform/core/FileTable.h"
#include "platform/core/Result.h"
#include "platform/scc/Scc.h"

namespace tools {

// A pair as the card puts it into a caption message's wParam: each byte with
// its bit order reversed, the first in bits 8 to 15, the second in bits 0 to 7.
int32_t packCaptionWord(uint8_t first, uint8_t second);

// The pair the caption hook hands the decoder for a wParam: each byte put back
// in order and its parity bit dropped.
struct CaptionPair {
    int32_t high = 0;
    int32_t low = 0;
};
CaptionPair unpackCaptionWord(int32_t wParam);

// A frame without caption data carries a null pair, zero with odd parity.
constexpr uint8_t kNullByte = 0x80;

struct ScriptSummary {
    int64_t pairs = 0;     // caption words in the track
    int64_t rows = 0;      // rows in the script file
    double seconds = 0.0;  // due time of the last word
};

// Writes the script of the track into scriptPath (created or truncated).
// The script starts at frame 0 (time 00:00:00:00) and ends at the last word;
// frames between words get null pairs, as the card sends them.
platform::Result<ScriptSummary> makeScript(
    const platform::scc::CaptionTrack& track, const std::string& scriptPath,
    platform::FileTable& files = platform::FileTable::instance());

}  // namespace tools
