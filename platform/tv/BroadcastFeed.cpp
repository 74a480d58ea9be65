#include "platform/tv/BroadcastFeed.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace platform::tv {

void BroadcastFeed::setProgramme(std::shared_ptr<const StationSet> stations, double origin) {
    std::lock_guard lock(mutex_);
    stations_ = std::move(stations);
    origin_ = origin;
    ++generation_;
    tracks_.clear();
}

BroadcastFeed::Track BroadcastFeed::resample(const Station& s, int sampleRate) {
    auto track = std::make_shared<std::vector<float>>();
    if (sampleRate == s.sampleRate || s.samples.empty()) {
        *track = s.samples;
        return track;
    }
    const double ratio = static_cast<double>(sampleRate) / s.sampleRate;
    const auto inFrames = static_cast<long>(s.soundFrames());
    const auto outFrames = static_cast<long>(std::ceil(static_cast<double>(inFrames) * ratio)) + 1;
    track->assign(static_cast<std::size_t>(outFrames) * static_cast<std::size_t>(s.channels), 0.0f);
    SRC_DATA data{};
    data.data_in = s.samples.data();
    data.input_frames = inFrames;
    data.data_out = track->data();
    data.output_frames = outFrames;
    data.src_ratio = ratio;
    const int err = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, s.channels);
    if (err != 0) {
        std::cerr << "Cannot resample channel " << s.channel << " to " << sampleRate
                  << " Hz: " << src_strerror(err) << '\n';
        track->clear();
    } else {
        track->resize(static_cast<std::size_t>(data.output_frames_gen) *
                      static_cast<std::size_t>(s.channels));
    }
    return track;
}

BroadcastFeed::Track BroadcastFeed::trackFor(const Station& s, int sampleRate) {
    const auto key = std::make_pair(s.channel, sampleRate);
    auto it = tracks_.find(key);
    if (it != tracks_.end()) {
        return it->second;
    }
    Track track = resample(s, sampleRate);
    tracks_.emplace(key, track);
    return track;
}

void BroadcastFeed::prepare(int sampleRate) {
    std::shared_ptr<const StationSet> stations;
    uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        stations = stations_;
        generation = generation_;
    }
    if (!stations || sampleRate <= 0) {
        return;
    }
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        const Station* s = stations->at(ch);
        if (s == nullptr) {
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            if (generation != generation_ || tracks_.count({ch, sampleRate}) != 0) {
                continue;
            }
        }
        Track track = resample(*s, sampleRate);
        std::lock_guard lock(mutex_);
        if (generation == generation_) {
            tracks_.emplace(std::make_pair(ch, sampleRate), std::move(track));
        }
    }
}

void BroadcastFeed::renderStation(const Station& s, double from, int sampleRate, int channels,
                                  float* out, std::size_t frames) {
    const Track track = trackFor(s, sampleRate);
    const auto trackFrames =
        static_cast<int64_t>(track->size() / static_cast<std::size_t>(s.channels));
    // The sound loops with the captions: one period is the programme's length.
    const auto period = std::max<int64_t>(1, std::llround(s.lengthSeconds() * sampleRate));
    int64_t n = std::llround((from - origin_) * sampleRate);
    for (std::size_t i = 0; i < frames; ++i, ++n) {
        float* o = out + i * static_cast<std::size_t>(channels);
        const int64_t at = ((n % period) + period) % period;
        if (n < 0 || at >= trackFrames) {
            std::fill(o, o + channels, 0.0f);
            continue;
        }
        const float* in = track->data() + at * s.channels;
        if (s.channels == channels) {
            std::copy(in, in + channels, o);
        } else if (channels == 2) {
            o[0] = o[1] = in[0];
        } else {
            o[0] = 0.5f * (in[0] + in[1]);
        }
    }
}

void BroadcastFeed::render(double start, int sampleRate, int channels, float* out,
                           std::size_t frames) {
    if (out == nullptr || frames == 0) {
        return;
    }
    channels = std::clamp(channels, 1, 2);
    std::fill(out, out + frames * static_cast<std::size_t>(channels), 0.0f);
    if (sampleRate <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!stations_) {
        return;
    }
    const double end = start + static_cast<double>(frames) / sampleRate;
    const std::vector<Tuning> span = tunings_.span(start, end);
    for (std::size_t k = 0; k < span.size(); ++k) {
        // Each piece runs from its tuning to the next, in whole samples.
        const double from = std::max(span[k].time, start);
        const double to = k + 1 < span.size() ? span[k + 1].time : end;
        const auto first = static_cast<std::size_t>(std::clamp<int64_t>(
            std::llround((from - start) * sampleRate), 0, static_cast<int64_t>(frames)));
        const auto last = static_cast<std::size_t>(std::clamp<int64_t>(
            std::llround((to - start) * sampleRate), 0, static_cast<int64_t>(frames)));
        const Station* s = stations_->at(span[k].channel);
        if (s == nullptr || last <= first) {
            continue;
        }
        renderStation(*s, start + static_cast<double>(first) / sampleRate, sampleRate, channels,
                      out + first * static_cast<std::size_t>(channels), last - first);
    }
}

}  // namespace platform::tv
