#pragma once
// Scenarist SCC caption files ("Scenarist_SCC V1.0"): lines of a timecode
// (HH:MM:SS:FF, or HH:MM:SS;FF in drop-frame counting), a tab, then 4-digit
// hex words, each one byte pair of line-21 field 1 with its parity bits.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace platform::scc {

// NTSC frame rate: 30000/1001 frames per second.
constexpr double kFrameSeconds = 1001.0 / 30000.0;

// Frame number counted from 00:00:00:00; a frame is due at frame * kFrameSeconds.
inline double frameTime(int64_t frame) { return static_cast<double>(frame) * kFrameSeconds; }

struct CaptionWord {
    int64_t frame = 0;
    uint8_t first = 0;   // as in the file, parity bit included
    uint8_t second = 0;
};

struct CaptionTrack {
    std::vector<CaptionWord> words;     // in frame order, one per frame at most
    std::vector<std::string> warnings;  // "<file>:<line>: <what>" for each skipped line
};

Result<CaptionTrack> parseScc(std::string_view text, const std::string& fileName);
Result<CaptionTrack> readSccFile(const std::string& path);

}  // namespace platform::scc
