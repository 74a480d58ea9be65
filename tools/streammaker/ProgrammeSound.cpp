#include "tools/streammaker/ProgrammeSound.h"

#include <algorithm>
#include <cmath>
#include <memory>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include "tools/streammaker/Ffmpeg.h"

namespace tools::stream {
namespace {

struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

}  // namespace

platform::Result<ProgrammeSound> ProgrammeSound::of(const platform::tv::Station& station) {
    ProgrammeSound sound;
    // The programme's period at 48 kHz, as the card loops it.
    sound.period_ = std::max<int64_t>(1, std::llround(station.lengthSeconds() * kStreamRate));
    if (station.channels < 1 || station.sampleRate < 1 || station.samples.empty()) {
        return sound;
    }
    AVChannelLayout in{};
    av_channel_layout_default(&in, station.channels);
    AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* raw = nullptr;
    // A mono station goes to both channels at full level, as the card plays it.
    int e = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_FLT, kStreamRate, &in, AV_SAMPLE_FMT_FLT,
                                station.sampleRate, 0, nullptr);
    std::unique_ptr<SwrContext, SwrFree> swr(raw);
    if (e >= 0 && station.channels == 1) {
        const double matrix[2] = {1.0, 1.0};
        e = swr_set_matrix(swr.get(), matrix, 1);
    }
    if (e >= 0) {
        e = swr_init(swr.get());
    }
    if (e < 0) {
        return platform::Error{"Cannot convert the station's sound: " + avError(e)};
    }
    const auto inFrames = static_cast<int>(station.soundFrames());
    const int room = static_cast<int>(swr_get_out_samples(swr.get(), inFrames)) + 64;
    std::vector<float> converted(static_cast<std::size_t>(room) * 2);
    uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(converted.data())};
    const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(station.samples.data())};
    const int got = swr_convert(swr.get(), dst, room, src, inFrames);
    if (got < 0) {
        return platform::Error{"Cannot convert the station's sound: " + avError(got)};
    }
    // The converter holds back the last few samples until it is flushed.
    uint8_t* rest[1] = {reinterpret_cast<uint8_t*>(converted.data() + 2 * got)};
    const int more = swr_convert(swr.get(), rest, room - got, nullptr, 0);
    const int64_t total = std::min<int64_t>(got + std::max(more, 0), sound.period_);
    converted.resize(static_cast<std::size_t>(total) * 2);
    sound.stereo_ = std::move(converted);
    return sound;
}

void ProgrammeSound::take(int64_t at, std::size_t frames, float* out) const {
    const auto have = static_cast<int64_t>(stereo_.size() / 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const int64_t pos = (at + static_cast<int64_t>(i)) % period_;
        if (pos < have) {
            out[2 * i] = stereo_[static_cast<std::size_t>(2 * pos)];
            out[2 * i + 1] = stereo_[static_cast<std::size_t>(2 * pos + 1)];
        } else {
            out[2 * i] = 0.0f;
            out[2 * i + 1] = 0.0f;
        }
    }
}

}  // namespace tools::stream
