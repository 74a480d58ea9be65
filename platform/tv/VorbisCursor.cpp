#include "platform/tv/VorbisCursor.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>

namespace platform::tv {
namespace {

class VorbisCursor final : public SoundCursor {
  public:
    VorbisCursor(std::string path, int channels) : path_(std::move(path)), channels_(channels) {}
    ~VorbisCursor() override { ov_clear(&file_); }
    VorbisCursor(const VorbisCursor&) = delete;
    VorbisCursor& operator=(const VorbisCursor&) = delete;

    OggVorbis_File* file() { return &file_; }

    Status read(int64_t at, float* out, std::size_t frames) override {
        const auto ch = static_cast<std::size_t>(channels_);
        std::size_t done = 0;
        Status status;
        std::size_t wanted = frames;
        if (at != position_) {
            if (ov_pcm_seek(&file_, at) != 0) {
                position_ = -1;
                status = Error{"Cannot read sound '" + path_ + "': cannot go to frame " +
                               std::to_string(at)};
                wanted = 0;
            } else {
                position_ = at;
            }
        }
        while (done < wanted) {
            float** pcm = nullptr;
            int section = 0;
            const long got = ov_read_float(&file_, &pcm, static_cast<int>(wanted - done), &section);
            if (got == OV_HOLE) {
                continue;  // a gap in the stream, already skipped
            }
            if (got <= 0) {
                if (got < 0) {
                    position_ = -1;
                    status = Error{"Cannot read sound '" + path_ + "': the stream is damaged"};
                }
                break;
            }
            // A chained file may hold a section of fewer channels.
            const vorbis_info* info = ov_info(&file_, section);
            const std::size_t have = info != nullptr ? static_cast<std::size_t>(info->channels) : 1;
            for (long i = 0; i < got; ++i) {
                for (std::size_t c = 0; c < ch; ++c) {
                    out[(done + static_cast<std::size_t>(i)) * ch + c] =
                        pcm[std::min(c, have - 1)][i];
                }
            }
            done += static_cast<std::size_t>(got);
            position_ += got;
        }
        // What the file does not hold after all is silence.
        std::fill(out + done * ch, out + frames * ch, 0.0f);
        return status;
    }

  private:
    std::string path_;
    int channels_ = 0;
    OggVorbis_File file_{};
    int64_t position_ = 0;
};

}  // namespace

Result<std::unique_ptr<SoundCursor>> openVorbisCursor(const std::string& path, int fileChannels,
                                                      int channels) {
    auto cursor = std::make_unique<VorbisCursor>(path, channels);
    if (ov_fopen(path.c_str(), cursor->file()) != 0) {
        return Error{"Cannot read sound '" + path + "': not an Ogg Vorbis file"};
    }
    const vorbis_info* info = ov_info(cursor->file(), -1);
    if (info == nullptr || info->channels != fileChannels || ov_seekable(cursor->file()) == 0) {
        return Error{"Cannot read sound '" + path + "': it has changed since the card loaded it"};
    }
    return std::unique_ptr<SoundCursor>(std::move(cursor));
}

}  // namespace platform::tv
