#pragma once
// A station made into an MPEG transport stream, as a broadcaster sends it:
// the picture in MPEG-2 or H.264 carrying the station's line-21 pairs as
// ATSC A/53 caption data, the sound in MP2 or AC-3. The same station and
// options always give the same bytes.
#include <string>

#include "platform/core/Result.h"
#include "platform/tv/Station.h"
#include "tools/streammaker/StreamOptions.h"

namespace tools::stream {

struct StreamSummary {
    int64_t videoFrames = 0;
    int64_t soundFrames = 0;  // at 48 kHz
    double seconds = 0;
};

platform::Result<StreamSummary> makeStream(const platform::tv::Station& station,
                                           const StreamOptions& options,
                                           const std::string& outputPath);

}  // namespace tools::stream
