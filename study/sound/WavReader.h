#pragma once
// A recording's WAV, read a span at a time (libsndfile: seek, then read just
// that span), never whole: a one-hour recording is 635 MB. Reads any PCM WAV
// the recorder writes (8-bit unsigned or 16-bit, mono or stereo, 8000 to
// 44100 Hz, RIFF or RF64) and whatever else libsndfile reads.
//
// One reader is used by one thread at a time; the export job opens its own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "study/sound/SoundSpan.h"

namespace study {

struct WavInfo {
    int sampleRate = 0;
    int channels = 0;
    int64_t frames = 0;          // a frame is one sample of every channel
    int64_t durationCs() const;  // rounded down
};

class WavReader {
  public:
    // Opens path for reading. Fails with a message in the user's words that
    // names the file: "There is no sound file 'x.wav'." when it is missing,
    // "Cannot read the sound file 'x.wav': <reason>" otherwise.
    static platform::Result<std::unique_ptr<WavReader>> open(const std::string& path);
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    const WavInfo& info() const { return info_; }
    const std::string& path() const { return path_; }

    // Frames [span.first, span.first + span.count), interleaved, replacing
    // out's contents. Float samples lie in [-1, 1]. A span reaching past the
    // end of the file gives the frames there are (out is shorter); a read
    // error is a message naming the file.
    platform::Status readFloat(const FrameSpan& span, std::vector<float>& out);
    platform::Status readInt16(const FrameSpan& span, std::vector<int16_t>& out);

  private:
    WavReader(std::string path, void* sndfile, WavInfo info);
    std::string path_;
    void* sndfile_ = nullptr;  // SNDFILE*, kept opaque so users need not see sndfile.h
    WavInfo info_;
};

}  // namespace study
