#include "platform/tv/stream/StreamProbe.h"

#include "platform/tv/stream/StreamInput.h"

namespace platform::tv::stream {

Result<StreamInfo> probeStream(const StreamSource& source, const StreamOptions& options,
                               const std::atomic<bool>& cancel) {
    Result<std::unique_ptr<StreamInput>> input = openStreamInput(source, options, cancel);
    if (!input) {
        return Error{input.message()};
    }
    return describeStreams(*input.value()->format);
}

}  // namespace platform::tv::stream
