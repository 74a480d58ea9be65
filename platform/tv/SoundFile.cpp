#include "platform/tv/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/tv/VorbisCursor.h"

namespace platform::tv {
namespace {

struct CloseSoundFile {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SoundFileHandle = std::unique_ptr<SNDFILE, CloseSoundFile>;

std::string cannotRead(const std::string& path, const std::string& why) {
    return "Cannot read sound '" + path + "': " + why;
}

Result<SoundFileHandle> openForReading(const std::string& path, SF_INFO& info) {
    // The reason an open failed is kept for the whole library, not per file.
    static std::mutex opening;
    std::lock_guard lock(opening);
    info = SF_INFO{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return Error{cannotRead(path, sf_strerror(nullptr))};
    }
    return SoundFileHandle(file);
}

// How libsndfile gets to a frame in a file of this format. Debian 12's
// libsndfile 1.2.0 lands on the frame asked for in WAV, FLAC and the like, but
// not always in Ogg: Vorbis goes through libvorbisfile instead, and any other
// codec in Ogg is read from its start (slow, but right).
enum class Seeking { kExact, kFromTheStart, kVorbis };

Seeking seekingFor(int format) {
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_OGG) {
        return Seeking::kExact;
    }
    return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS ? Seeking::kVorbis
                                                            : Seeking::kFromTheStart;
}

class FileCursor final : public SoundCursor {
  public:
    FileCursor(std::string path, SoundFileHandle file, int fileChannels, int channels,
               bool exactSeek)
        : path_(std::move(path)),
          file_(std::move(file)),
          fileChannels_(fileChannels),
          channels_(channels),
          exactSeek_(exactSeek) {}

    Status read(int64_t at, float* out, std::size_t frames) override {
        const auto ch = static_cast<std::size_t>(channels_);
        if (at != position_) {
            if (Status moved = goTo(at); !moved) {
                position_ = -1;
                std::fill(out, out + frames * ch, 0.0f);
                return moved;
            }
        }
        const auto fileCh = static_cast<std::size_t>(fileChannels_);
        float* target = out;
        if (fileCh != ch) {
            buffer_.resize(frames * fileCh);
            target = buffer_.data();
        }
        const sf_count_t got = sf_readf_float(file_.get(), target, static_cast<sf_count_t>(frames));
        const auto n = static_cast<std::size_t>(std::max<sf_count_t>(0, got));
        position_ += static_cast<int64_t>(n);
        if (fileCh != ch) {
            for (std::size_t f = 0; f < n; ++f) {
                std::copy_n(buffer_.data() + f * fileCh, ch, out + f * ch);
            }
        }
        // What the file does not hold after all is silence.
        std::fill(out + n * ch, out + frames * ch, 0.0f);
        if (n < frames && sf_error(file_.get()) != SF_ERR_NO_ERROR) {
            position_ = -1;
            return Error{cannotRead(path_, sf_strerror(file_.get()))};
        }
        return {};
    }

  private:
    Status goTo(int64_t at) {
        if (exactSeek_) {
            if (sf_seek(file_.get(), at, SEEK_SET) < 0) {
                return Error{cannotRead(path_, "cannot go to frame " + std::to_string(at))};
            }
            position_ = at;
            return {};
        }
        if (at < position_ || position_ < 0) {
            SF_INFO info{};
            Result<SoundFileHandle> again = openForReading(path_, info);
            if (!again) {
                return Error{again.message()};
            }
            file_ = std::move(again.value());
            position_ = 0;
        }
        std::vector<float> skipped(4096 * static_cast<std::size_t>(fileChannels_));
        while (position_ < at) {
            const sf_count_t got = sf_readf_float(file_.get(), skipped.data(),
                                                  std::min<sf_count_t>(4096, at - position_));
            if (got <= 0) {
                return Error{cannotRead(path_, "it ends before frame " + std::to_string(at))};
            }
            position_ += got;
        }
        return {};
    }

    std::string path_;
    SoundFileHandle file_;
    int fileChannels_ = 0;
    int channels_ = 0;
    bool exactSeek_ = true;
    int64_t position_ = 0;
    std::vector<float> buffer_;
};

class FileTrack final : public SoundTrack {
  public:
    FileTrack(std::string path, int sampleRate, int fileChannels, int64_t frames, Seeking seeking)
        : SoundTrack(sampleRate, std::min(fileChannels, 2), frames),
          path_(std::move(path)),
          fileChannels_(fileChannels),
          seeking_(seeking) {}

    Result<std::unique_ptr<SoundCursor>> open() const override {
        if (seeking_ == Seeking::kVorbis) {
            return openVorbisCursor(path_, fileChannels_, channels());
        }
        SF_INFO info{};
        Result<SoundFileHandle> file = openForReading(path_, info);
        if (!file) {
            return Error{file.message()};
        }
        if (info.channels != fileChannels_ || info.samplerate != sampleRate()) {
            return Error{cannotRead(path_, "it has changed since the card loaded it")};
        }
        return std::unique_ptr<SoundCursor>(
            std::make_unique<FileCursor>(path_, std::move(file.value()), fileChannels_, channels(),
                                         seeking_ == Seeking::kExact));
    }

  private:
    std::string path_;
    int fileChannels_ = 0;
    Seeking seeking_ = Seeking::kExact;
};

// A file that does not give its length (a FLAC stream written without its
// total) is read through once to count.
int64_t countFrames(SNDFILE* file, int channels) {
    std::vector<float> block(4096 * static_cast<std::size_t>(channels));
    int64_t frames = 0;
    sf_count_t got = 0;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0) {
        frames += got;
    }
    return frames;
}

}  // namespace

Result<std::shared_ptr<const SoundTrack>> openSoundFile(const std::string& path) {
    SF_INFO info{};
    Result<SoundFileHandle> file = openForReading(path, info);
    if (!file) {
        return Error{file.message()};
    }
    if (info.channels < 1 || info.samplerate < 1) {
        return Error{cannotRead(path, "no channels or no sample rate")};
    }
    if (info.seekable == 0) {
        return Error{cannotRead(path, "it cannot be read from any point but its start")};
    }
    int64_t frames = info.frames;
    if (frames < 0 || frames == std::numeric_limits<sf_count_t>::max()) {
        frames = countFrames(file.value().get(), info.channels);
    }
    return std::shared_ptr<const SoundTrack>(std::make_shared<FileTrack>(
        path, info.samplerate, info.channels, frames, seekingFor(info.format)));
}

}  // namespace platform::tv
