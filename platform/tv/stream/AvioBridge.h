#pragma once
// A ByteSource as libavformat's input: a custom AVIOContext that reads the
// bytes as they arrive, cannot seek, and gives up when told to stop.
#include <atomic>

#include "platform/tv/stream/ByteSource.h"
#include "platform/tv/stream/FfmpegHandles.h"

namespace platform::tv::stream {

class AvioBridge {
  public:
    // stop: the decoder's stop flag, checked while no bytes come.
    AvioBridge(ByteSource& source, const std::atomic<bool>& stop);
    // nullptr when FFmpeg could not allocate one.
    AVIOContext* context() const { return avio_.get(); }

    AvioBridge(const AvioBridge&) = delete;
    AvioBridge& operator=(const AvioBridge&) = delete;

  private:
    static int readPacket(void* opaque, uint8_t* buf, int size);

    ByteSource& source_;
    const std::atomic<bool>& stop_;
    AvioPtr avio_;
};

}  // namespace platform::tv::stream
