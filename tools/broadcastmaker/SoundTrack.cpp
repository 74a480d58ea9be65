#include "tools/broadcastmaker/SoundTrack.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace tools::broadcast {

void SoundTrack::mixAt(double at, const std::vector<float>& sound) {
    const auto first = static_cast<size_t>(std::llround(std::max(at, 0.0) * rate_));
    if (samples_.size() < first + sound.size()) {
        samples_.resize(first + sound.size(), 0.0f);
    }
    for (size_t i = 0; i < sound.size(); ++i) {
        samples_[first + i] = std::clamp(samples_[first + i] + sound[i], -1.0f, 1.0f);
    }
}

void SoundTrack::extendTo(double seconds) {
    const auto length = static_cast<size_t>(std::llround(std::max(seconds, 0.0) * rate_));
    if (samples_.size() < length) {
        samples_.resize(length, 0.0f);
    }
}

platform::Status SoundTrack::writeFlac(const std::string& path) const {
    SF_INFO info{};
    info.samplerate = rate_;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return platform::Error{"Cannot write '" + path + "': " + sf_strerror(nullptr)};
    }
    const auto frames = static_cast<sf_count_t>(samples_.size());
    const sf_count_t written = sf_writef_float(file, samples_.data(), frames);
    const std::string reason = sf_strerror(file);
    const int closed = sf_close(file);
    if (written != frames || closed != 0) {
        return platform::Error{"Cannot write '" + path + "': " + reason};
    }
    return {};
}

platform::Result<std::vector<float>> readSoundFile(const std::string& path, int rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        return platform::Error{"Cannot read '" + path + "': " + sf_strerror(nullptr)};
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) *
                                   static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    std::vector<float> mono(static_cast<size_t>(std::max<sf_count_t>(got, 0)));
    for (size_t i = 0; i < mono.size(); ++i) {
        float sum = 0.0f;
        for (int c = 0; c < info.channels; ++c) {
            sum += interleaved[i * static_cast<size_t>(info.channels) + static_cast<size_t>(c)];
        }
        mono[i] = sum / static_cast<float>(info.channels);
    }
    if (info.samplerate == rate || mono.empty()) {
        return mono;
    }
    const double ratio = static_cast<double>(rate) / info.samplerate;
    std::vector<float> out(
        static_cast<size_t>(std::ceil(static_cast<double>(mono.size()) * ratio)) + 16);
    SRC_DATA data{};
    data.data_in = mono.data();
    data.input_frames = static_cast<long>(mono.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    if (const int err = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1); err != 0) {
        return platform::Error{"Cannot resample '" + path + "': " + src_strerror(err)};
    }
    out.resize(static_cast<size_t>(data.output_frames_gen));
    return out;
}

}  // namespace tools::broadcast
