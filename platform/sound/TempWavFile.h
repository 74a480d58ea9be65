#pragma once
// A recording as it is being made: a WAV file that grows as sound arrives, so
// memory stays flat however long the recording. Its header is brought up to
// date every couple of seconds, so a program that dies mid-recording leaves
// a WAV that players read up to its last seconds.
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
    // Creates an empty recording in $TMPDIR (or /tmp), deleted again unless
    // it is finished.
    static Result<std::unique_ptr<TempWavFile>> create(const WaveFormat& format);
    // Creates an empty recording at path, which must not exist yet. The file
    // belongs to whoever named it: this object never deletes it.
    static Result<std::unique_ptr<TempWavFile>> createAt(const WaveFormat& format,
                                                         const std::string& path);
    ~TempWavFile();

    static constexpr double kHeaderSeconds = 2.0;  // how often the header is brought up to date

    // Appends frames of float samples, interleaved in the file's channel count,
    // converted to the file's PCM with rounding and clipping.
    Status append(const float* frames, std::size_t frameCount);
    // Appends frameCount frames of silence.
    Status appendSilence(std::size_t frameCount);
    uint64_t framesWritten() const { return frames_; }
    const WaveFormat& format() const { return format_; }
    const std::string& path() const { return path_; }
    // The system's error number of the first write that failed, 0 if none.
    int writeErrno() const { return writeErrno_; }

    // Completes the header from the file's length. Afterwards the file is a
    // finished WAV that this object no longer deletes; nothing more can be
    // appended, and the file stays open until this object goes.
    Status finish();
    bool finished() const { return finished_; }

    // Whether the file lost its name (its folder was deleted): its sound is
    // still here, readable through this object until it goes.
    bool unlinked() const;
    // Where the file is now: path() unless its folder was renamed meanwhile.
    std::string currentPath() const;
    // Copies the file as it is to dest, created or truncated.
    Status copyTo(const std::string& dest) const;

    TempWavFile(const TempWavFile&) = delete;
    TempWavFile& operator=(const TempWavFile&) = delete;

  private:
    TempWavFile(WaveFormat format, std::string path, bool named);
    static Result<std::unique_ptr<TempWavFile>> open(const WaveFormat& format, std::string path,
                                                     int fd, bool named);

    WaveFormat format_;
    std::string path_;
    bool named_ = false;
    int fd_ = -1;              // our own descriptor, kept past finish for saving
    void* sndfile_ = nullptr;  // SNDFILE*, kept opaque so users need not see sndfile.h
    uint64_t frames_ = 0;
    uint64_t headerFrames_ = 0;  // frames the header counted at its last update
    bool finished_ = false;
    Status writeError_;  // the first failed write, reported again at finish
    int writeErrno_ = 0;
};

// Moves a finished file to dest: a rename, or a copy when dest lies on
// another file system. The source stays where it is when this fails.
Status moveFile(const std::string& from, const std::string& dest);
// Copies a file to dest, creating or truncating dest.
Status copyFile(const std::string& from, const std::string& dest);
// The same from an open file, read from its start; from names it in messages.
Status copyFd(int in, const std::string& from, const std::string& dest);

// "<what> '<path>': <strerror(err)>"
std::string errnoText(const std::string& what, const std::string& path, int err);

}  // namespace platform::sound
