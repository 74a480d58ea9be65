#include "study/export/SoundWriter.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace study {

namespace {

constexpr int kOpusRate = 48000;
// Frames of converted sound held back, so the end can be trimmed or padded
// to the exact length: libsamplerate's total may differ by a few frames.
constexpr std::size_t kHeldBack = 256;
constexpr std::size_t kConvertChunk = 4096;

}  // namespace

struct SoundWriter::Impl {
    std::string path;
    SNDFILE* file = nullptr;
    SRC_STATE* converter = nullptr;
    int channels = 0;
    double ratio = 1.0;
    int64_t inputFrames = 0;
    int64_t outputFrames = 0;    // written to the file
    std::vector<float> pending;  // converted, not yet written
    std::vector<float> converted;
    bool finished = false;

    ~Impl() {
        if (converter != nullptr) {
            src_delete(converter);
        }
        if (file != nullptr) {
            sf_close(file);
        }
    }

    platform::Status fail(const char* what) const {
        return platform::Error{std::string("Cannot ") + what + " '" + path +
                               "': " + sf_strerror(file)};
    }

    platform::Status writeOut(const float* frames, std::size_t count) {
        if (count == 0) {
            return platform::Status::ok();
        }
        const auto n = static_cast<sf_count_t>(count);
        if (sf_writef_float(file, frames, n) != n) {
            return fail("write");
        }
        outputFrames += n;
        return platform::Status::ok();
    }

    // Converts input (null at the end) and writes all but the held-back tail.
    platform::Status convert(const float* frames, std::size_t count, bool last) {
        const std::size_t width = static_cast<std::size_t>(channels);
        std::size_t used = 0;
        for (;;) {
            const std::size_t chunk = std::min(count - used, kConvertChunk);
            converted.resize((static_cast<std::size_t>(chunk * ratio) + 64) * width);
            SRC_DATA data{};
            data.data_in = frames != nullptr ? frames + used * width : nullptr;
            data.input_frames = static_cast<long>(chunk);
            data.data_out = converted.data();
            data.output_frames = static_cast<long>(converted.size() / width);
            data.src_ratio = ratio;
            data.end_of_input = last && used + chunk == count ? 1 : 0;
            if (const int err = src_process(converter, &data); err != 0) {
                return platform::Error{"Cannot convert the sound for '" + path +
                                       "': " + src_strerror(err)};
            }
            used += static_cast<std::size_t>(data.input_frames_used);
            pending.insert(pending.end(), converted.begin(),
                           converted.begin() + data.output_frames_gen * channels);
            const bool drained = data.end_of_input != 0 && data.output_frames_gen == 0;
            if (used == count && (data.end_of_input == 0 || drained)) {
                break;
            }
        }
        if (pending.size() > kHeldBack * width) {
            const std::size_t out = pending.size() - kHeldBack * width;
            if (platform::Status s = writeOut(pending.data(), out / width); !s) {
                return s;
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(out));
        }
        return platform::Status::ok();
    }
};

platform::Result<std::unique_ptr<SoundWriter>> SoundWriter::create(const std::string& path,
                                                                   SoundFileFormat format,
                                                                   int inputRate, int channels) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->channels = channels;
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = inputRate;
    switch (format) {
        case SoundFileFormat::Mp3:
            info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
            break;
        case SoundFileFormat::Opus:
            info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
            info.samplerate = kOpusRate;
            break;
        case SoundFileFormat::Wav16:
            info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
            break;
    }
    impl->file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (impl->file == nullptr) {
        return platform::Error{"Cannot write the sound file '" + path +
                               "': " + sf_strerror(nullptr)};
    }
    if (format == SoundFileFormat::Mp3) {
        // Variable bit rate: quiet stretches between words cost next to nothing.
        int mode = SF_BITRATE_MODE_VARIABLE;
        sf_command(impl->file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    }
    if (info.samplerate != inputRate) {
        int err = 0;
        impl->converter = src_new(SRC_SINC_FASTEST, channels, &err);
        if (impl->converter == nullptr) {
            return platform::Error{"Cannot convert the sound for '" + path +
                                   "': " + src_strerror(err)};
        }
        impl->ratio = static_cast<double>(info.samplerate) / inputRate;
    }
    return std::unique_ptr<SoundWriter>(new SoundWriter(std::move(impl)));
}

SoundWriter::SoundWriter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundWriter::~SoundWriter() = default;

platform::Status SoundWriter::write(const float* frames, std::size_t count) {
    impl_->inputFrames += static_cast<int64_t>(count);
    if (impl_->converter == nullptr) {
        return impl_->writeOut(frames, count);
    }
    return impl_->convert(frames, count, false);
}

platform::Status SoundWriter::writeSilence(std::size_t count) {
    const std::vector<float> silence(std::min<std::size_t>(count, 8192) *
                                     static_cast<std::size_t>(impl_->channels));
    for (std::size_t left = count; left > 0;) {
        const std::size_t n = std::min<std::size_t>(left, 8192);
        if (platform::Status s = write(silence.data(), n); !s) {
            return s;
        }
        left -= n;
    }
    return platform::Status::ok();
}

platform::Status SoundWriter::finish() {
    Impl& d = *impl_;
    if (d.converter != nullptr) {
        if (platform::Status s = d.convert(nullptr, 0, true); !s) {
            return s;
        }
        const auto width = static_cast<std::size_t>(d.channels);
        const auto wanted =
            static_cast<int64_t>(static_cast<double>(d.inputFrames) * d.ratio + 0.5);
        const int64_t left = std::max<int64_t>(wanted - d.outputFrames, 0);
        d.pending.resize(static_cast<std::size_t>(left) * width, 0.0F);
        if (platform::Status s = d.writeOut(d.pending.data(), d.pending.size() / width); !s) {
            return s;
        }
    }
    const int err = sf_close(d.file);
    d.file = nullptr;
    if (err != 0) {
        return platform::Error{"Cannot finish the sound file '" + d.path +
                               "': " + sf_error_number(err)};
    }
    return platform::Status::ok();
}

}  // namespace study
