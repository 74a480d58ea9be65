#pragma once
// The outline of the sound of one row, its padding shaded at both ends and
// a line where playback is.
#include <QWidget>
#include <cstdint>
#include <vector>

#include "study/sound/WaveSummary.h"

namespace study::window {

class WaveformView final : public QWidget {
  public:
    explicit WaveformView(QWidget* parent = nullptr);

    // The outline of a padded span of `frames` frames, of which the first
    // `padBefore` and the last `padAfter` are padding. Empty columns: nothing
    // to show.
    void setOutline(std::vector<WaveColumn> columns, int64_t frames, int64_t padBefore,
                    int64_t padAfter);
    // The frame being heard, or -1 for none.
    void setPlayhead(int64_t frame);

    const std::vector<WaveColumn>& columns() const { return columns_; }
    int64_t padBefore() const { return padBefore_; }
    int64_t padAfter() const { return padAfter_; }
    int64_t frames() const { return frames_; }
    int64_t playhead() const { return playhead_; }

    QSize sizeHint() const override { return {480, 72}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double xOf(int64_t frame) const;

    std::vector<WaveColumn> columns_;
    int64_t frames_ = 0;
    int64_t padBefore_ = 0;
    int64_t padAfter_ = 0;
    int64_t playhead_ = -1;
};

}  // namespace study::window
