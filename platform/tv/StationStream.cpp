#include "platform/tv/StationStream.h"

namespace platform::tv {

void StationStream::clear() {
    station_ = nullptr;
    sound_.reset();
    stream_.clear();
}

void StationStream::render(const Station& s, int rate, int64_t at, float* out, std::size_t frames) {
    if (station_ != &s || !sound_) {
        sound_ = std::make_unique<SoundReadAhead>(s.sound);
        station_ = &s;
    }
    ResampledStream::Source source = describe(s);
    // Silence before the sound's start and past its end.
    source.fetch = [this](int64_t from, float* samples, std::size_t count) {
        sound_->read(from, samples, count);
    };
    stream_.render(source, rate, at, out, frames);
}

}  // namespace platform::tv
