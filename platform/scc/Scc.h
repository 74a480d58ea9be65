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
// For every frame of a day, floor(frameTime(frame) * 100) is exactly the
// centisecond floor(frame * 1001 / 300); the caption tests rely on that.
inline double frameTime(int64_t frame) {
    return static_cast<double>(frame) * kFrameSeconds;
}

struct CaptionWord {
    int64_t frame = 0;
    uint8_t first = 0;  // as in the file, parity bit included
    uint8_t second = 0;
};

struct CaptionTrack {
    std::vector<CaptionWord> words;     // in frame order, one per frame at most
    std::vector<std::string> warnings;  // "<file>:<line>: <what>" for each skipped line
};

// A line that cannot be used (bad timecode or hex word, a dropped drop-frame
// number, words overlapping those of an earlier line) is skipped and named in
// the warnings. A missing header, no usable line at all, or an unreadable file
// is an error naming the file.
Result<CaptionTrack> parseScc(std::string_view text, const std::string& fileName);
Result<CaptionTrack> readSccFile(const std::string& path);

// The words as SCC text: the header, then one line per run of consecutive
// frames, timecodes in drop-frame counting unless dropFrame is false.
std::string formatScc(const std::vector<CaptionWord>& words, bool dropFrame = true);

}  // namespace platform::scc
