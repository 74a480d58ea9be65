#include "study/window/RowPlayer.h"

#include <algorithm>
#include <cstring>

namespace study {

namespace {
// Turns kept for heardAt(): a device holds far less than this many rows.
constexpr std::size_t kTurnsKept = 16;
}  // namespace

platform::Status RowPlayer::begin(std::size_t row) {
    turns_.clear();
    pulled_ = 0;
    failure_.clear();
    ended_ = true;
    if (!recording_.hasSound()) {
        return platform::Error{recording_.noSoundReason()};
    }
    if (row >= recording_.rowCount() || !recording_.playable(row)) {
        return platform::Error{"This row lies past the end of the sound."};
    }
    channels_ = recording_.soundInfo()->channels;
    if (!load(row)) {
        return platform::Error{failure_};
    }
    ended_ = false;
    return {};
}

bool RowPlayer::load(std::size_t row) {
    const FrameSpan span = recording_.spanOf(row, padding_);
    if (!span.playable || span.count <= 0) {
        return false;
    }
    if (const platform::Status read = recording_.readSpan(span, samples_); !read) {
        failure_ = read.message();
        return false;
    }
    at_ = 0;
    turns_.push_back({pulled_, row, span});
    if (turns_.size() > kTurnsKept) {
        turns_.pop_front();
    }
    return !samples_.empty();
}

// The row after the one just finished: itself again, the next with sound, or none.
bool RowPlayer::nextTurn() {
    const std::size_t row = turns_.back().row;
    if (loop_) {
        return load(row);
    }
    if (advance_) {
        for (std::size_t next = row + 1; next < recording_.rowCount(); ++next) {
            if (recording_.playable(next)) {
                return load(next);
            }
        }
    }
    return false;
}

std::size_t RowPlayer::pull(float* out, std::size_t frames) {
    const auto channels = static_cast<std::size_t>(channels_);
    std::size_t filled = 0;
    while (filled < frames && !ended_) {
        const std::size_t have = samples_.size() / channels - at_;
        if (have == 0) {
            if (!nextTurn()) {
                ended_ = true;
            }
            continue;
        }
        const std::size_t n = std::min(have, frames - filled);
        std::memcpy(out + filled * channels, samples_.data() + at_ * channels,
                    n * channels * sizeof(float));
        at_ += n;
        filled += n;
        pulled_ += static_cast<int64_t>(n);
    }
    return filled;
}

RowPlayer::Heard RowPlayer::heardAt(int64_t played) const {
    for (auto turn = turns_.rbegin(); turn != turns_.rend(); ++turn) {
        if (turn->firstPulled <= played) {
            const int64_t within = std::min(played - turn->firstPulled, turn->span.count);
            return {true, turn->row, turn->span, within};
        }
    }
    return {};
}

}  // namespace study
