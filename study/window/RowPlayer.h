#pragma once
// The sound of a recording's rows as the Review window plays them: a row's
// span with its padding, then the same row again (loop), the next row that
// has sound (step on), or the end. The span is read when a row begins, never
// more, and read afresh at every repeat, so an edge moved while a row loops
// is heard at its next turn.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/playback/AudioOut.h"
#include "study/model/Recording.h"

namespace study {

class RowPlayer final : public platform::playback::PcmSource {
  public:
    explicit RowPlayer(Recording& recording) : recording_(recording) {}

    void setPadding(const Padding& padding) { padding_ = padding; }
    void setLoop(bool loop) { loop_ = loop; }
    void setAdvance(bool advance) { advance_ = advance; }
    const Padding& padding() const { return padding_; }

    // Reads row's padded span and starts the sound there; the message says
    // why it cannot (no sound, a row past the end of the sound, a read error).
    platform::Status begin(std::size_t row);

    std::size_t pull(float* out, std::size_t frames) override;

    // Where the sound is that lies `played` frames after begin(): its row,
    // that row's padded span, and the frame within the span.
    struct Heard {
        bool valid = false;
        std::size_t row = 0;
        FrameSpan span;
        int64_t frameInSpan = 0;
    };
    Heard heardAt(int64_t played) const;

    // A read that failed while playing ended the sound; empty when none did.
    const std::string& failure() const { return failure_; }

  private:
    bool load(std::size_t row);
    bool nextTurn();

    struct Turn {
        int64_t firstPulled = 0;  // frames pulled since begin() when it started
        std::size_t row = 0;
        FrameSpan span;
    };

    Recording& recording_;
    Padding padding_;
    bool loop_ = false;
    bool advance_ = false;
    std::vector<float> samples_;  // the present turn's span, interleaved
    std::size_t at_ = 0;          // next frame of samples_ to hand out
    int channels_ = 1;
    int64_t pulled_ = 0;
    std::deque<Turn> turns_;  // the latest few, enough to cover what the device holds
    bool ended_ = true;
    std::string failure_;
};

}  // namespace study
