#pragma once
// The two encoders of a made stream, set up as a broadcaster's would be but
// single-threaded and bit-exact, so the same input gives the same bytes.
#include "platform/core/Result.h"
#include "tools/streammaker/Ffmpeg.h"
#include "tools/streammaker/StreamOptions.h"

namespace tools::stream {

// Video: time base one frame, pictures in YUV 4:2:0, A/53 captions written
// from each frame's AV_FRAME_DATA_A53_CC side data.
platform::Result<CodecContextPtr> openVideoEncoder(const StreamOptions& o);

// Sound: 48 kHz stereo, time base one sample.
platform::Result<CodecContextPtr> openSoundEncoder(const StreamOptions& o);

}  // namespace tools::stream
