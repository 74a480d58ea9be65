#pragma once
// A recording as it is being made: a WAV file in the temporary folder that
// grows as sound arrives, so memory stays flat however long the recording.
// Written as RF64 that libsndfile turns back into a RIFF WAVE at close when
// it stays under 4 GiB, so very long recordings still make a valid file.
// finish() then gives that RIFF file the plain PCM "fmt " chunk (format tag 1)
// in place of libsndfile's WAVE_FORMAT_EXTENSIBLE one, followed by a JUNK
// chunk over the room left; block align and byte rate are the set format's.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Result.h"
#include "platform/sound/WaveFormat.h"

namespace platform::sound {

class TempWavFile {
  public:
    // Creates an empty recording in $TMPDIR (or /tmp).
    static Result<std::unique_ptr<TempWavFile>> create(const WaveFormat& format);
    ~TempWavFile();  // deletes the file unless it was finished or kept

    // Appends frames of float samples, interleaved in the file's channel count,
    // converted to the file's PCM with rounding and clipping.
    Status append(const float* frames, std::size_t frameCount);
    // Appends frameCount frames of silence.
    Status appendSilence(std::size_t frameCount);
    uint64_t framesWritten() const { return frames_; }
    const WaveFormat& format() const { return format_; }
    const std::string& path() const { return path_; }

    // Completes the header. Afterwards the file is a finished WAV that this
    // object no longer deletes; nothing more can be appended.
    Status finish();
    bool finished() const { return finished_; }

    TempWavFile(const TempWavFile&) = delete;
    TempWavFile& operator=(const TempWavFile&) = delete;

  private:
    TempWavFile(WaveFormat format, std::string path, void* sndfile);

    WaveFormat format_;
    std::string path_;
    void* sndfile_ = nullptr;  // SNDFILE*, kept opaque so users need not see sndfile.h
    uint64_t frames_ = 0;
    bool finished_ = false;
    Status writeError_;  // the first failed write, reported again at finish
};

// Moves a finished file to dest: a rename, or a copy when dest lies on
// another file system. The source stays where it is when this fails.
Status moveFile(const std::string& from, const std::string& dest);
// Copies a file to dest, creating or truncating dest.
Status copyFile(const std::string& from, const std::string& dest);

// "<what> '<path>': <strerror(err)>"
std::string errnoText(const std::string& what, const std::string& path, int err);

}  // namespace platform::sound
