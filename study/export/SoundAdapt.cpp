#include "study/export/SoundAdapt.h"

#include <samplerate.h>

namespace study {

namespace {

std::vector<float> remapChannels(const std::vector<float>& samples, int from, int to) {
    const auto frames = samples.size() / static_cast<std::size_t>(from);
    std::vector<float> out(frames * static_cast<std::size_t>(to));
    for (std::size_t f = 0; f < frames; ++f) {
        float mix = 0.0F;
        for (int c = 0; c < from; ++c) {
            mix += samples[f * static_cast<std::size_t>(from) + static_cast<std::size_t>(c)];
        }
        mix /= static_cast<float>(from);
        for (int c = 0; c < to; ++c) {
            // Channels both have keep their own; the rest get the mix.
            out[f * static_cast<std::size_t>(to) + static_cast<std::size_t>(c)] =
                c < from && to != 1
                    ? samples[f * static_cast<std::size_t>(from) + static_cast<std::size_t>(c)]
                    : mix;
        }
    }
    return out;
}

}  // namespace

std::vector<float> adaptSound(const std::vector<float>& samples, const WavInfo& from,
                              const WavInfo& to) {
    std::vector<float> mapped =
        from.channels == to.channels ? samples : remapChannels(samples, from.channels, to.channels);
    if (from.sampleRate == to.sampleRate || mapped.empty()) {
        return mapped;
    }
    const double ratio = static_cast<double>(to.sampleRate) / from.sampleRate;
    const auto frames = mapped.size() / static_cast<std::size_t>(to.channels);
    std::vector<float> out((static_cast<std::size_t>(static_cast<double>(frames) * ratio) + 16) *
                           static_cast<std::size_t>(to.channels));
    SRC_DATA data{};
    data.data_in = mapped.data();
    data.input_frames = static_cast<long>(frames);
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size() / static_cast<std::size_t>(to.channels));
    data.src_ratio = ratio;
    if (src_simple(&data, SRC_SINC_FASTEST, to.channels) != 0) {
        return {};
    }
    out.resize(static_cast<std::size_t>(data.output_frames_gen) *
               static_cast<std::size_t>(to.channels));
    return out;
}

}  // namespace study
