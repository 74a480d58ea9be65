#include "platform/tv/VideoWindow.h"

#include <unistd.h>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "platform/captionscreen/CaptionPainter.h"
#include "platform/captionscreen/CaptionScreen.h"
#include "platform/core/Clock.h"
#include "platform/win/WinQt.h"

namespace platform::tv {
namespace {

constexpr double kChannelNumberSeconds = 2.0;
constexpr int kRepaintMs = 100;
// Snow is drawn from a small noise image scaled up: cheap to regenerate.
constexpr int kSnowWidth = 96;
constexpr int kSnowHeight = 72;

const QColor kBarColours[] = {
    QColor(192, 192, 192), QColor(192, 192, 0), QColor(0, 192, 192), QColor(0, 192, 0),
    QColor(192, 0, 192),   QColor(192, 0, 0),   QColor(0, 0, 192),
};

// Seconds from this process's start (as the kernel noted it) to now.
double secondsSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold spaces: the fields are counted after its ')'.
    std::size_t at = stat.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field) {
        at = stat.find(' ', at + 1);
    }
    if (at == std::string::npos) {
        return -1.0;
    }
    const double started =
        std::strtod(stat.c_str() + at + 1, nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - started;
}

// CUELARK_REPORT_FIRST_PAINT=1 tells on stderr when the first picture was
// painted, for measuring start-up; read once, so painting costs nothing more.
// The processor time spent by then follows: on a busy machine it says more
// than the time on the clock.
void reportFirstPicture() {
    static bool pending = [] {
        const char* v = std::getenv("CUELARK_REPORT_FIRST_PAINT");
        return v != nullptr && std::string(v) == "1";
    }();
    if (pending) {
        pending = false;
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        std::fprintf(stderr, "first-paint %.3f cpu %.3f\n", secondsSinceProcessStart(),
                     static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9);
    }
}

}  // namespace

VideoWindow::VideoWindow(QWidget* parent)
    : QWidget(parent), captions_(std::make_unique<captionscreen::CaptionScreen>()) {
    setObjectName(QStringLiteral("ATIVideoWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    snow_ = QImage(kSnowWidth, kSnowHeight, QImage::Format_Grayscale8);
    regenerateSnow();
    repaintTimer_.setInterval(kRepaintMs);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] { tick(programClock().now()); });
}

VideoWindow::~VideoWindow() {
    // Deleted by its parent, the window never sees WM_DESTROY itself (the
    // chain does, after this): its card must still learn it is gone.
    if (handler_) {
        handler_(win::WM_DESTROY, 0, 0);
    }
}

bool VideoWindow::event(QEvent* e) {
    if (e->type() == win::WinMessageEvent::eventType()) {
        auto* m = static_cast<win::WinMessageEvent*>(e);
        if (handler_) {
            handler_(m->msg(), m->wParam(), m->value());
        }
        return true;
    }
    return QWidget::event(e);
}

void VideoWindow::setPictureOn(bool on) {
    pictureOn_ = on;
    if (on) {
        repaintTimer_.start();
    } else {
        repaintTimer_.stop();
        captions_->init();
        captionGeneration_ = captions_->changed();
    }
    update();
}

void VideoWindow::tuned(int channel, const Station* station, double now) {
    if (station != station_ || live_) {
        station_ = station;
        title_ = station ? QString::fromStdString(station->title) : QString();
        picture_ = station && !station->picturePath.empty()
                       ? QImage(QString::fromStdString(station->picturePath))
                       : QImage();
        scaled_ = QPixmap();
        // A receiver clears its caption memories on a channel change.
        captions_->init();
        captionGeneration_ = captions_->changed();
    }
    live_ = false;
    frame_ = QImage();
    showLabel(QString::number(channel), now);
}

void VideoWindow::setLive(bool on) {
    if (on == live_) {
        return;
    }
    live_ = on;
    frame_ = QImage();
    station_ = nullptr;
    scaled_ = QPixmap();
    update();
}

void VideoWindow::showFrame(QImage frame) {
    frame_ = std::move(frame);
    if (live_ && pictureOn_) {
        update();
    }
}

void VideoWindow::clearLive() {
    frame_ = QImage();
    captions_->init();
    captionGeneration_ = captions_->changed();
    update();
}

void VideoWindow::showLabel(const QString& label, double now) {
    // The old label's box may be wider than the new one's.
    update(channelRect());
    label_ = label;
    channelShownUntil_ = now + kChannelNumberSeconds;
    channelShown_ = true;
    update();
}

void VideoWindow::setNotice(const QString& notice) {
    if (notice == notice_) {
        return;
    }
    update(noticeRect());
    notice_ = notice;
    update(noticeRect());
}

void VideoWindow::setSavingMark(bool on) {
    savingMark_ = on;
    update(savingRect());
}

void VideoWindow::setCaptionDisplay(bool on) {
    captionDisplay_ = on;
    update(captionRect());
}

void VideoWindow::captionPair(uint8_t first, uint8_t second) {
    captions_->decode(first, second);
    if (captions_->changed() != captionGeneration_) {
        captionGeneration_ = captions_->changed();
        if (captionDisplay_ && pictureOn_) {
            update(captionRect());
        }
    }
}

void VideoWindow::tick(double now) {
    if (!pictureOn_) {
        return;
    }
    if (channelShown_ && now >= channelShownUntil_) {
        channelShown_ = false;
        update(channelRect());
    }
    if (live_) {
        return;
    }
    if (station_ == nullptr) {
        regenerateSnow();
        update();
        return;
    }
    if (picture_.isNull()) {
        const QString text = clockText();
        if (text != shownClock_) {
            update(clockRect());
        }
    }
}

QString VideoWindow::clockText() const {
    const double t = programmeTime_ ? std::max(0.0, programmeTime_()) : 0.0;
    const auto seconds = static_cast<int>(std::floor(t));
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QRect VideoWindow::clockRect() const {
    // Below the caption safe area, so that captions never cover it.
    const int h = std::max(14, height() / 12);
    return QRect(width() / 2 - 2 * h, height() - h - 2, 4 * h, h);
}

QRect VideoWindow::channelRect() const {
    const int h = std::max(20, height() / 7);
    if (label_.size() <= 3) {
        return QRect(width() - 3 * h, h / 3, 3 * h - h / 3, h);
    }
    // A name as well as a number: the whole width, in a smaller type.
    return QRect(h / 3, h / 3, width() - 2 * (h / 3), h * 2 / 3);
}

QRect VideoWindow::noticeRect() const {
    const int h = std::max(24, height() / 8);
    return QRect(width() / 10, (height() - h) / 2, width() - 2 * (width() / 10), h);
}

QRect VideoWindow::savingRect() const {
    const int h = std::max(16, height() / 14);
    return QRect(h / 2, h / 2, 6 * h, h);
}

QRect VideoWindow::captionRect() const {
    return captionscreen::captionSafeArea(rect()).adjusted(-2, -2, 2, 2);
}

void VideoWindow::resizeEvent(QResizeEvent* e) {
    scaled_ = QPixmap();
    QWidget::resizeEvent(e);
}

void VideoWindow::regenerateSnow() {
    // A cheap generator is plenty for noise nobody looks at closely.
    for (int y = 0; y < kSnowHeight; ++y) {
        uchar* line = snow_.scanLine(y);
        for (int x = 0; x < kSnowWidth; ++x) {
            snowSeed_ = snowSeed_ * 1664525u + 1013904223u;
            line[x] = static_cast<uchar>(snowSeed_ >> 24);
        }
    }
}

void VideoWindow::paintBars(QPainter& p) {
    if (scaled_.size() != size()) {
        scaled_ = QPixmap(size());
        QPainter bp(&scaled_);
        if (!picture_.isNull()) {
            bp.fillRect(scaled_.rect(), Qt::black);
            const QImage img =
                picture_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            bp.drawImage((width() - img.width()) / 2, (height() - img.height()) / 2, img);
        } else {
            const int n = static_cast<int>(std::size(kBarColours));
            for (int i = 0; i < n; ++i) {
                const int x0 = width() * i / n;
                const int x1 = width() * (i + 1) / n;
                bp.fillRect(x0, 0, x1 - x0, height(), kBarColours[i]);
            }
            QFont f = font();
            f.setPixelSize(std::max(12, height() / 12));
            f.setBold(true);
            bp.setFont(f);
            const QRect titleBox(0, height() / 8, width(), height() / 6);
            bp.fillRect(titleBox.adjusted(width() / 8, 0, -width() / 8, 0), QColor(0, 0, 0, 160));
            bp.setPen(Qt::white);
            bp.drawText(titleBox, Qt::AlignCenter, title_);
        }
    }
    p.drawPixmap(0, 0, scaled_);
}

void VideoWindow::paintLive(QPainter& p) {
    if (frame_.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    QSize fit = frame_.size().scaled(size(), Qt::KeepAspectRatio);
    if (std::abs(fit.width() - frame_.width()) <= 1 &&
        std::abs(fit.height() - frame_.height()) <= 1) {
        // Already made to measure: a plain copy, no scaling.
        fit = frame_.size();
    }
    const QRect target((width() - fit.width()) / 2, (height() - fit.height()) / 2, fit.width(),
                       fit.height());
    const QRegion bars = QRegion(rect()).subtracted(target);
    for (const QRect& r : bars) {
        p.fillRect(r, Qt::black);
    }
    if (fit == frame_.size()) {
        p.drawImage(target.topLeft(), frame_);
    } else {
        p.drawImage(target, frame_);
    }
}

void VideoWindow::paintNotice(QPainter& p) {
    const QRect r = noticeRect();
    p.fillRect(r, QColor(0, 0, 0, 190));
    QFont f = font();
    f.setPixelSize(std::max(12, r.height() / 2));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, notice_);
}

void VideoWindow::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.setClipRegion(e->region());
    if (!pictureOn_) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    if (live_) {
        paintLive(p);
    } else if (station_ == nullptr) {
        p.drawImage(rect(), snow_);
    } else {
        paintBars(p);
        if (picture_.isNull()) {
            shownClock_ = clockText();
            const QRect r = clockRect();
            p.fillRect(r, Qt::black);
            QFont f = font();
            f.setPixelSize(std::max(12, r.height() * 2 / 3));
            p.setFont(f);
            p.setPen(Qt::white);
            p.drawText(r, Qt::AlignCenter, shownClock_);
        }
    }
    if (channelShown_) {
        // Inset so that the shadow stays inside what a later update repaints.
        const QRect r = channelRect().adjusted(0, 0, -3, -3);
        QFont f = font();
        f.setPixelSize(r.height());
        f.setBold(true);
        p.setFont(f);
        // A dark copy behind keeps the number readable on snow and bright bars.
        p.setPen(Qt::black);
        p.drawText(r.translated(2, 2), Qt::AlignRight | Qt::AlignVCenter, label_);
        p.setPen(QColor(0, 255, 0));
        p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, label_);
    }
    if (!notice_.isEmpty()) {
        paintNotice(p);
    }
    if (savingMark_) {
        const QRect r = savingRect();
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(220, 0, 0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(r.left(), r.top(), r.height(), r.height()));
        QFont f = font();
        f.setPixelSize(r.height() * 3 / 4);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(r.adjusted(r.height() + r.height() / 3, 0, 0, 0),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Saving"));
    }
    if (captionDisplay_) {
        captionscreen::paintCaptions(p, *captions_, rect());
    }
    reportFirstPicture();
}

}  // namespace platform::tv
