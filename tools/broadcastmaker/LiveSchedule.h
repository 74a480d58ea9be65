#pragma once
// Roll-up and paint-on captions as live captioners send them: each caption's
// text written straight onto the screen, its first character on the frame of
// its start, one pair per frame.
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "tools/broadcastmaker/CaptionText.h"
#include "tools/broadcastmaker/Schedule.h"
#include "tools/broadcastmaker/Transcript.h"

namespace tools::broadcast {

struct RollUpWindow {
    int rows = 2;      // 2, 3 or 4
    int baseRow = 15;  // 1 to 15, at least rows: the window must fit above it
};

// Roll-up: each row of a caption is a line of its own, sent as the roll-up
// code, a carriage return and the base row's preamble code (each twice),
// then its text; the rows of one caption follow each other at once. Lines
// scroll up the window as the next come; an erase of the screen goes out at
// a caption's end when a pause follows long enough to send it. A base row
// other than 15 is reached by the first preamble code, which moves the
// window up from where the roll-up code starts it.
platform::Result<Schedule> scheduleRollUp(const std::vector<TranscriptLine>& lines,
                                          const RollUpWindow& window, Align align,
                                          const std::string& fileName);

// Paint-on: resume direct captioning, then each row's preamble code and
// text, painted from the caption's start; an erase of the screen at its end,
// or, when the next caption follows too closely, just before that one.
platform::Result<Schedule> schedulePaintOn(const std::vector<TranscriptLine>& lines, Align align,
                                           const std::string& fileName);

}  // namespace tools::broadcast
