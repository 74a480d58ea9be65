#pragma once
// Opens a stream for demuxing: through a custom AVIOContext over a byte
// source, or by path or URL through libavformat itself (files, HLS). Probing
// is kept short, and every wait gives up when the stop flag is set.
#include <atomic>
#include <memory>
#include <string>

#include "platform/core/Result.h"
#include "platform/tv/stream/AvioBridge.h"
#include "platform/tv/stream/FfmpegHandles.h"
#include "platform/tv/stream/StreamDecoder.h"

namespace platform::tv::stream {

struct StreamInput {
    // Declared first so that it is freed last: the format reads through it.
    std::unique_ptr<AvioBridge> bridge;
    FormatPtr format;
};

// Opens and probes the source; the error says what failed in the user's
// words ("Cannot open news.ts: No such file or directory").
Result<std::unique_ptr<StreamInput>> openStreamInput(const StreamSource& source,
                                                     const StreamOptions& options,
                                                     const std::atomic<bool>& stop);

// What the opened streams hold: the best picture and sound tracks, each
// with whether a decoder knows it (a sound no decoder knows is named in
// soundCodec with hasSound false), and whether an eia_608 track is there.
StreamInfo describeStreams(const AVFormatContext& format);

// The name a message uses for the source.
std::string sourceName(const StreamSource& source);

}  // namespace platform::tv::stream
