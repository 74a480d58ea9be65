#include "platform/tv/BroadcastFeed.h"

#include <algorithm>
#include <cmath>

namespace platform::tv {

namespace {
// Station frames converted per step: bounds the scratch buffer.
constexpr std::size_t kStepFrames = 4096;
}  // namespace

void BroadcastFeed::setProgramme(std::shared_ptr<const StationSet> stations, double origin) {
    std::lock_guard lock(mutex_);
    stations_ = std::move(stations);
    origin_ = origin;
    ++programme_;
    // A stream still in use is let go when its listener hands it back.
    for (Slot& slot : slots_) {
        if (!slot.busy) {
            slot.stream.clear();
        }
    }
}

BroadcastFeed::Slot* BroadcastFeed::claim(const Station& s, int sampleRate, int64_t& at,
                                          uint64_t programme) {
    std::lock_guard lock(mutex_);
    if (programme != programme_) {
        return nullptr;  // a new programme came meanwhile: this one is not kept
    }
    Slot* chosen = nullptr;
    for (Slot& slot : slots_) {
        if (slot.busy) {
            continue;
        }
        if (slot.programme != programme) {
            // Its station may be gone, and another may live at its address.
            slot.stream.clear();
            slot.programme = programme;
        }
        if (slot.stream.continues(s, sampleRate, at)) {
            at = slot.stream.nextAt();
            chosen = &slot;
            break;
        }
        if (chosen == nullptr || slot.lastUse < chosen->lastUse) {
            chosen = &slot;
        }
    }
    if (chosen != nullptr) {
        chosen->busy = true;
        chosen->lastUse = ++uses_;
    }
    return chosen;
}

void BroadcastFeed::release(Slot& slot) {
    std::lock_guard lock(mutex_);
    slot.busy = false;
    if (slot.programme != programme_) {
        slot.stream.clear();
    }
}

void BroadcastFeed::renderStation(const Station& s, uint64_t programme, double origin, double from,
                                  int sampleRate, int channels, float* out, std::size_t frames) {
    // The sound loops with the captions: one period is the programme's length.
    const auto period = std::max<int64_t>(1, std::llround(s.lengthSeconds() * sampleRate));
    int64_t n = std::llround((from - origin) * sampleRate);
    const auto outChannels = static_cast<std::size_t>(channels);
    const auto inChannels = static_cast<std::size_t>(s.channels());
    // Where every stream is busy, or the programme changed meanwhile: a
    // stream of this render's own, right but started afresh.
    StationStream ownStream;
    std::vector<float> ownScratch;
    while (frames > 0) {
        if (n < 0) {  // before the programme began
            const std::size_t quiet = std::min<std::size_t>(frames, static_cast<std::size_t>(-n));
            std::fill(out, out + quiet * outChannels, 0.0f);
            out += quiet * outChannels;
            frames -= quiet;
            n += static_cast<int64_t>(quiet);
            continue;
        }
        int64_t at = n % period;
        const int64_t asked = at;
        Slot* slot = claim(s, sampleRate, at, programme);
        n += at - asked;
        StationStream& stream = slot != nullptr ? slot->stream : ownStream;
        std::vector<float>& scratch = slot != nullptr ? slot->scratch : ownScratch;
        const std::size_t step = std::min(
            {frames, kStepFrames, static_cast<std::size_t>(std::max<int64_t>(1, period - at))});
        scratch.resize(step * inChannels);
        stream.render(s, sampleRate, at, scratch.data(), step);
        for (std::size_t i = 0; i < step; ++i) {
            const float* in = scratch.data() + i * inChannels;
            float* o = out + i * outChannels;
            if (inChannels == outChannels) {
                std::copy(in, in + outChannels, o);
            } else if (outChannels == 2) {
                o[0] = o[1] = in[0];
            } else {
                o[0] = 0.5f * (in[0] + in[1]);
            }
        }
        if (slot != nullptr) {
            release(*slot);
        }
        out += step * outChannels;
        frames -= step;
        n += static_cast<int64_t>(step);
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
    std::shared_ptr<const StationSet> stations;
    double origin = 0.0;
    uint64_t programme = 0;
    {
        std::lock_guard lock(mutex_);
        stations = stations_;
        origin = origin_;
        programme = programme_;
    }
    if (!stations) {
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
        const Station* s = stations->at(span[k].channel);
        if (s == nullptr || last <= first) {
            continue;
        }
        renderStation(*s, programme, origin, start + static_cast<double>(first) / sampleRate,
                      sampleRate, channels, out + first * static_cast<std::size_t>(channels),
                      last - first);
    }
}

}  // namespace platform::tv
