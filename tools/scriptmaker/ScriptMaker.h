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

struct ScriptOptions {
    // Roll-up lines and paint-on captions get rows too, as with the program's
    // Script > Record Roll-up and Paint-on Captions.
    bool allCaptionModes = false;
};

struct ScriptSummary {
    int64_t pairs = 0;     // caption words that arrived while the script ran
    int64_t rows = 0;      // rows in the script file
    double seconds = 0.0;  // how long the script ran
};

// Writes the script of the track into scriptPath (created or truncated).
// The script starts at frame 0 (time 00:00:00:00) and ends at the last word;
// frames between words get null pairs, as the card sends them.
platform::Result<ScriptSummary> makeScript(
    const platform::scc::CaptionTrack& track, const std::string& scriptPath,
    const ScriptOptions& options = {},
    platform::FileTable& files = platform::FileTable::instance());

// Writes the script of a recording of a station that broadcasts the track
// once from time 0 on, with Record pressed at startTime and the recording
// stopped at endTime (seconds of programme time). The decoder hears every
// frame from frame 0 on, as the program's idle decoder does: frames due
// before startTime arrive before the script starts, frames due by endTime
// before it ends; frames without a word carry null pairs. Rows count from
// startTime. A span that ends before it starts, or is not finite, is an error.
platform::Result<ScriptSummary> makeScriptSpan(
    const platform::scc::CaptionTrack& track, const std::string& scriptPath, double startTime,
    double endTime, const ScriptOptions& options = {},
    platform::FileTable& files = platform::FileTable::instance());

}  // namespace tools
