#pragma once
// A sound file written a piece at a time: MP3 and Ogg Opus through
// libsndfile (Debian 12's 1.2 encodes both, with LAME and libopus), or
// 16-bit PCM WAV. Opus is only made at 48 kHz, so other rates are converted
// on the way (libsamplerate), and the file gets exactly the length the
// input has at 48 kHz, rounded to the nearest frame.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Result.h"

namespace study {

enum class SoundFileFormat { Mp3 = 1, Opus, Wav16 };

class SoundWriter {
  public:
    // Creates (or truncates) path. inputRate and channels are those of the
    // frames that write() will be given.
    static platform::Result<std::unique_ptr<SoundWriter>> create(const std::string& path,
                                                                 SoundFileFormat format,
                                                                 int inputRate, int channels);
    ~SoundWriter();  // closes the file; call finish() to know it was written
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    // Interleaved float frames in [-1, 1].
    platform::Status write(const float* frames, std::size_t count);
    platform::Status writeSilence(std::size_t count);
    // Writes what is held back and closes the file.
    platform::Status finish();

  private:
    struct Impl;
    explicit SoundWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace study
