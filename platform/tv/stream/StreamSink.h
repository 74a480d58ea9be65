#pragma once
// Where a stream decoder's output goes. Every call comes on the decoder's
// own thread, in decoding order; times are on the program clock.
#include <cstddef>
#include <string>

#include "platform/tv/stream/CaptionTriplets.h"
#include "platform/tv/stream/PictureQueue.h"

namespace platform::tv::stream {

// What an opened stream holds, as the decoder found it.
struct StreamInfo {
    bool hasPicture = false;
    int width = 0;  // the coded picture's size
    int height = 0;
    double frameRate = 0.0;        // frames a second; 0 when the stream does not say
    std::string pictureCodec;      // FFmpeg's short names: "mpeg2video", "h264"
    bool hasSound = false;         // a sound track the decoder can decode
    std::string soundCodec;        // "mp2", "ac3", "eac3", "aac"; or the undecodable one's
    bool hasCaptionTrack = false;  // an eia_608 track beside the picture
};

enum class DecoderEventKind {
    Opened = 1,  // info is filled in
    SoundLost,   // message: why the stream's sound cannot be heard
    Anchored,    // the first picture is due at `due`
    Ended,       // the stream ended (a file that does not loop, a closed connection)
    Failed,      // message: what failed, in the user's words
};

struct DecoderEvent {
    DecoderEventKind kind = DecoderEventKind::Opened;
    StreamInfo info;
    double due = 0.0;
    std::string message;
};

class StreamSink {
  public:
    virtual ~StreamSink() = default;
    virtual void event(const DecoderEvent& e) = 0;
    // The stream's first picture is due at origin (also sent as an event).
    virtual void anchored(double origin) = 0;
    virtual void picture(VideoPicture picture) = 0;
    // A frame's field-1 pairs, in order; due is the frame's presentation time.
    virtual void captionPair(double due, LinePair pair) = 0;
    // frames stereo frames at 48 kHz, the first due at `due`.
    virtual void sound(double due, const float* stereo, std::size_t frames) = 0;
    // A buffer for a picture of this many pixels (a recycled one if any).
    virtual std::vector<uint32_t> pictureBuffer(std::size_t pixels) {
        return std::vector<uint32_t>(pixels);
    }
};

}  // namespace platform::tv::stream
