#pragma once
// Where a recording's sound comes from. The device starts an input when
// "record" is accepted and drains it at every pump; the input delivers float
// frames already in the recording's rate and channel count, timed so that the
// first frame is the moment recording started.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/Result.h"
#include "platform/sound/WaveFormat.h"

namespace platform::sound {

// Receives interleaved float frames (format.channels per frame).
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual Status frames(const float* data, std::size_t frameCount) = 0;
};

class WaveInput {
  public:
    virtual ~WaveInput() = default;
    // Starts capture; startTime is the program clock at the moment the
    // recording begins, which the first delivered frame must correspond to.
    virtual Status start(const WaveFormat& format, double startTime) = 0;
    // Hands everything captured since the last read to sink.
    virtual Status read(FrameSink& sink) = 0;
    virtual void stop() = 0;
    // Non-empty once the input failed mid-recording (for example the sound
    // server went away): what was captured up to then stays readable.
    virtual std::string lostReason() const = 0;
};

using WaveInputFactory = std::function<std::unique_ptr<WaveInput>()>;

}  // namespace platform::sound
