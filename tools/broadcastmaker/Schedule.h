#pragma once
// When each caption's pairs go out: loaded off screen ahead of its start,
// shown at its start, erased at its end, one pair per frame.
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/scc/Scc.h"
#include "tools/broadcastmaker/CaptionText.h"
#include "tools/broadcastmaker/Transcript.h"

namespace tools::broadcast {

enum class Pattern {
    // Erase displayed memory then end of caption at each start; erase
    // displayed memory alone at each end.
    EraseAndEnd = 1,
    // End of caption alone replaces the caption on display; erase displayed
    // memory only where a pause follows.
    EndOfCaption,
};

struct Schedule {
    std::vector<platform::scc::CaptionWord> words;  // parity bits set, in frame order
    std::vector<std::string> warnings;              // "<file>:<line>: <what>"
};

// A caption that cannot be loaded in time is shown late, and one followed by
// a pause too short to load the next is left on until the next: both are
// named in the warnings. A caption that cannot be laid out is an error.
platform::Result<Schedule> scheduleCaptions(const std::vector<TranscriptLine>& lines,
                                            Pattern pattern, Align align,
                                            const std::string& fileName);

// The byte with the line-21 parity bit: bit 7 set when bits 0 to 6 hold an
// even number of ones, so every byte sent has an odd number.
uint8_t withOddParity(uint8_t b);

// The frame nearest to a time in seconds.
int64_t frameAt(double seconds);

}  // namespace tools::broadcast
