#include "platform/sound/TempWavFile.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/sound/PlainPcmHeader.h"
#include "platform/sound/SampleConvert.h"
#include "platform/sound/WavRepair.h"

namespace platform::sound {

namespace {

SNDFILE* sf(void* p) {
    return static_cast<SNDFILE*>(p);
}

std::string tempFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? std::string(dir) : std::string("/tmp");
}

// mkstemp makes files only the owner can read; the saved WAV should get the
// permissions any other new file of the user gets.
mode_t userFileMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    }
    return static_cast<mode_t>(0666 & ~mask);
}

constexpr std::size_t kChunkFrames = 4096;

}  // namespace

std::string errnoText(const std::string& what, const std::string& path, int err) {
    return what + " '" + path + "': " + std::strerror(err);
}

Result<std::unique_ptr<TempWavFile>> TempWavFile::create(const WaveFormat& format) {
    if (Status s = checkSupported(format); !s) {
        return Error{s.message()};
    }
    std::string path = tempFolder() + "/cuelark-recording-XXXXXX.wav";
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0) {
        return Error{errnoText("Cannot create a recording file in", tempFolder(), errno)};
    }
    path.assign(name.data());
    fchmod(fd, userFileMode());
    return open(format, path, fd, false);
}

Result<std::unique_ptr<TempWavFile>> TempWavFile::createAt(const WaveFormat& format,
                                                           const std::string& path) {
    if (Status s = checkSupported(format); !s) {
        return Error{s.message()};
    }
    // The user's umask applies, as to any other file of theirs.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Error{errnoText("Cannot create the recording file", path, errno)};
    }
    return open(format, path, fd, true);
}

Result<std::unique_ptr<TempWavFile>> TempWavFile::open(const WaveFormat& format, std::string path,
                                                       int fd, bool named) {
    std::unique_ptr<TempWavFile> file(new TempWavFile(format, std::move(path), named));
    file->fd_ = fd;
    // libsndfile closes the descriptor it is given; ours stays for saving.
    const int forSndfile = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    SF_INFO info{};
    info.samplerate = format.samplesPerSec;
    info.channels = format.channels;
    info.format =
        SF_FORMAT_RF64 | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* sndfile = forSndfile < 0 ? nullptr : sf_open_fd(forSndfile, SFM_WRITE, &info, SF_TRUE);
    if (!sndfile) {
        const std::string why = forSndfile < 0 ? std::strerror(errno) : sf_strerror(nullptr);
        if (forSndfile >= 0) {
            ::close(forSndfile);
        }
        ::unlink(file->path_.c_str());
        return Error{"Cannot start the recording file '" + file->path_ + "': " + why};
    }
    sf_command(sndfile, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    file->sndfile_ = sndfile;
    return file;
}

TempWavFile::TempWavFile(WaveFormat format, std::string path, bool named)
    : format_(format), path_(std::move(path)), named_(named) {}

TempWavFile::~TempWavFile() {
    if (sndfile_) {
        // Closing writes the header for what is in the file: a named recording
        // stays behind complete, for whoever named it to find.
        sf_close(sf(sndfile_));
        if (!named_) {
            ::unlink(path_.c_str());
        }
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TempWavFile::unlinked() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_nlink == 0;
}

std::string TempWavFile::currentPath() const {
    // The kernel follows the file through renames of its folders.
    char target[4096] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd_);
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (fd_ < 0 || n <= 0 || unlinked()) {
        return path_;
    }
    return std::string(target, static_cast<std::size_t>(n));
}

Status TempWavFile::copyTo(const std::string& dest) const {
    return copyFd(fd_, path_, dest);
}

Status TempWavFile::append(const float* frames, std::size_t frameCount) {
    if (finished_) {
        return Error{"The recording '" + path_ + "' is already complete"};
    }
    if (!writeError_) {
        return writeError_;
    }
    const std::size_t ch = static_cast<std::size_t>(format_.channels);
    std::vector<short> pcm(kChunkFrames * ch, 0);
    std::size_t done = 0;
    while (done < frameCount) {
        const std::size_t n = std::min(kChunkFrames, frameCount - done);
        const float* src = frames + done * ch;
        for (std::size_t i = 0; i < n * ch; ++i) {
            // libsndfile maps a short s to the unsigned byte (s >> 8) + 128,
            // so the rounded 8-bit value travels exactly in the high byte.
            pcm[i] = format_.bitsPerSample == 8
                         ? static_cast<short>((static_cast<int>(toPcm8(src[i])) - 128) * 256)
                         : toPcm16(src[i]);
        }
        const sf_count_t wrote =
            sf_writef_short(sf(sndfile_), pcm.data(), static_cast<sf_count_t>(n));
        if (wrote != static_cast<sf_count_t>(n)) {
            const int err = errno;
            const std::string why = sf_strerror(sf(sndfile_));
            writeErrno_ = err != 0 ? err : EIO;
            writeError_ = Error{"Cannot write the recording to '" + path_ +
                                "': " + (err ? std::string(std::strerror(err)) : why)};
            return writeError_;
        }
        frames_ += n;
        done += n;
    }
    if (static_cast<double>(frames_ - headerFrames_) >= kHeaderSeconds * format_.samplesPerSec) {
        sf_command(sf(sndfile_), SFC_UPDATE_HEADER_NOW, nullptr, 0);
        headerFrames_ = frames_;
    }
    return {};
}

Status TempWavFile::appendSilence(std::size_t frameCount) {
    std::vector<float> zeros(
        std::min(frameCount, kChunkFrames) * static_cast<std::size_t>(format_.channels), 0.0f);
    while (frameCount > 0) {
        const std::size_t n = std::min(frameCount, kChunkFrames);
        if (Status s = append(zeros.data(), n); !s) {
            return s;
        }
        frameCount -= n;
    }
    return {};
}

Status TempWavFile::finish() {
    if (finished_) {
        return writeError_;
    }
    finished_ = true;
    const int rc = sf_close(sf(sndfile_));
    sndfile_ = nullptr;
    if (rc != 0 && writeError_) {
        writeError_ =
            Error{"Cannot complete the recording '" + path_ + "': " + sf_error_number(rc)};
    }
    // The sizes come from the file's length, so a write that failed half
    // way leaves whole frames only; a recording short enough to be a plain
    // WAV gets the plain PCM header every player reads, a longer one stays RF64.
    if (Result<WavLayout> repaired = repairWavFile(fd_, path_); !repaired && writeError_) {
        writeError_ = Error{repaired.message()};
    }
    return writeError_;
}

Status copyFile(const std::string& from, const std::string& dest) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return Error{errnoText("Cannot read", from, errno)};
    }
    Status s = copyFd(in, from, dest);
    ::close(in);
    return s;
}

Status copyFd(int in, const std::string& from, const std::string& dest) {
    const int out = ::open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        return Error{errnoText("Cannot create", dest, errno)};
    }
    std::vector<char> buf(1 << 16);
    Status result;
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(in, buf.data(), buf.size(), at);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result = Error{errnoText("Cannot read", from, errno)};
            break;
        }
        if (got == 0) {
            break;
        }
        at += got;
        ssize_t off = 0;
        while (off < got) {
            const ssize_t put = ::write(out, buf.data() + off, static_cast<std::size_t>(got - off));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                result = Error{errnoText("Cannot write", dest, put < 0 ? errno : ENOSPC)};
                break;
            }
            off += put;
        }
        if (!result) {
            break;
        }
    }
    if (::close(out) != 0 && result) {
        result = Error{errnoText("Cannot write", dest, errno)};
    }
    if (!result) {
        ::unlink(dest.c_str());  // a half-copied WAV is worse than none
    }
    return result;
}

Status moveFile(const std::string& from, const std::string& dest) {
    if (::rename(from.c_str(), dest.c_str()) == 0) {
        return {};
    }
    if (errno != EXDEV) {
        return Error{errnoText("Cannot save", dest, errno)};
    }
    if (Status s = copyFile(from, dest); !s) {
        return s;
    }
    ::unlink(from.c_str());
    return {};
}

}  // namespace platform::sound
