#include "study/window/WaveformView.h"

#include <QPainter>

namespace study::window {

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(48);
    setAccessibleName(tr("Waveform of the row"));
}

void WaveformView::setOutline(std::vector<WaveColumn> columns, int64_t frames, int64_t padBefore,
                              int64_t padAfter) {
    columns_ = std::move(columns);
    frames_ = frames;
    padBefore_ = padBefore;
    padAfter_ = padAfter;
    playhead_ = -1;
    update();
}

void WaveformView::setPlayhead(int64_t frame) {
    if (frame != playhead_) {
        playhead_ = frame;
        update();
    }
}

double WaveformView::xOf(int64_t frame) const {
    return frames_ <= 0 ? 0.0 : static_cast<double>(frame) * width() / static_cast<double>(frames_);
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.base());
    if (columns_.empty() || frames_ <= 0) {
        return;
    }
    // The padding: sound played around the row but not part of it.
    QColor padding = pal.color(QPalette::Mid);
    padding.setAlpha(110);
    p.fillRect(QRectF(0, 0, xOf(padBefore_), height()), padding);
    p.fillRect(QRectF(xOf(frames_ - padAfter_), 0, width() - xOf(frames_ - padAfter_), height()),
               padding);

    const double mid = height() / 2.0;
    const double half = height() / 2.0 - 1.0;
    p.setPen(pal.color(QPalette::Text));
    const double step = static_cast<double>(width()) / static_cast<double>(columns_.size());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const double x = (static_cast<double>(c) + 0.5) * step;
        p.drawLine(QPointF(x, mid - columns_[c].high * half),
                   QPointF(x, mid - columns_[c].low * half));
    }
    if (playhead_ >= 0) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 2));
        const double x = xOf(playhead_);
        p.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
}

}  // namespace study::window
