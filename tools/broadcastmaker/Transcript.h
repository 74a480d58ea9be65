#pragma once
// A timed transcript, the source of a sample station: one caption a line,
// "start<TAB>end<TAB>text", times in seconds from the programme's start.
// Blank lines and lines beginning with '#' are skipped.
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace tools::broadcast {

struct TranscriptLine {
    size_t lineNumber = 0;  // in the transcript file, from 1
    double start = 0.0;     // seconds
    double end = 0.0;
    std::string text;  // UTF-8; "|" breaks a row, <i>...</i> marks italics
};

// Captions must not overlap: each starts at or after the previous one's end.
platform::Result<std::vector<TranscriptLine>> parseTranscript(std::string_view text,
                                                              const std::string& fileName);
platform::Result<std::vector<TranscriptLine>> readTranscriptFile(const std::string& path);

}  // namespace tools::broadcast
