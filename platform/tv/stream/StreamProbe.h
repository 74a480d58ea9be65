#pragma once
// Opens a source only far enough to say what it holds: how a playlist or a
// folder of recordings is scanned (a channel is found where a picture is).
// Blocks: call it from a worker thread, never the user-interface thread.
#include <atomic>

#include "platform/core/Result.h"
#include "platform/tv/stream/StreamDecoder.h"
#include "platform/tv/stream/StreamSink.h"

namespace platform::tv::stream {

// The streams of source as StreamInfo (hasSound: a sound track with a
// decoder). An error says why it could not be opened; a source without a
// picture is not an error (hasPicture is false). Setting cancel makes it
// give up at the next wait.
Result<StreamInfo> probeStream(const StreamSource& source, const StreamOptions& options,
                               const std::atomic<bool>& cancel);

}  // namespace platform::tv::stream
