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

    SF_INFO info{};
    info.samplerate = format.samplesPerSec;
    info.channels = format.channels;
    info.format =
        SF_FORMAT_RF64 | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
        const std::string why = sf_strerror(nullptr);
        ::unlink(path.c_str());
        return Error{"Cannot start the recording file '" + path + "': " + why};
    }
    sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    return std::unique_ptr<TempWavFile>(new TempWavFile(format, path, file));
}

TempWavFile::TempWavFile(WaveFormat format, std::string path, void* sndfile)
    : format_(format), path_(std::move(path)), sndfile_(sndfile) {}

TempWavFile::~TempWavFile() {
    if (sndfile_) {
        sf_close(sf(sndfile_));
        ::unlink(path_.c_str());
    }
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
            writeError_ = Error{"Cannot write the recording to '" + path_ +
                                "': " + (err ? std::string(std::strerror(err)) : why)};
            return writeError_;
        }
        frames_ += n;
        done += n;
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
    if (writeError_) {
        // A recording short enough to be a plain WAV gets the plain PCM header
        // every player reads; a longer one stays RF64.
        writeError_ = rewriteFileAsPlainPcm(path_);
    }
    return writeError_;
}

Status copyFile(const std::string& from, const std::string& dest) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return Error{errnoText("Cannot read", from, errno)};
    }
    const int out = ::open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return Error{errnoText("Cannot create", dest, err)};
    }
    std::vector<char> buf(1 << 16);
    Status result;
    for (;;) {
        const ssize_t got = ::read(in, buf.data(), buf.size());
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
    ::close(in);
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
