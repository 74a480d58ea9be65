#pragma once
// A card's picture, class "ATIVideoWindow": a child widget that shows the
// tuned station (its still picture, or colour bars with its title and
// programme time) or snow on a channel without a station, or else, for a card
// that decodes a stream, the live picture it is handed; the channel for two
// seconds after each tuning, a notice on the picture (a tuner's error), a
// "saving" mark, and the captions when the caption display is on. Without a
// live picture it repaints ten times a second at most, and only what changed.
// Messages reaching it go to its handler.
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/tv/Station.h"
#include "platform/win/Win.h"

namespace platform::captionscreen {
class CaptionScreen;
}

namespace platform::tv {

class VideoWindow final : public QWidget {
    Q_OBJECT
  public:
    using MessageHandler = std::function<void(win::UINT msg, win::WPARAM wParam, int32_t value)>;
    // Seconds into the tuned station's programme.
    using ProgrammeTime = std::function<double()>;

    explicit VideoWindow(QWidget* parent = nullptr);
    ~VideoWindow() override;

    void setMessageHandler(MessageHandler h) { handler_ = std::move(h); }
    void setProgrammeTime(ProgrammeTime t) { programmeTime_ = std::move(t); }

    void setPictureOn(bool on);
    // The station now on screen (nullptr: snow), shown with its channel number.
    void tuned(int channel, const Station* station, double now);
    // Live pictures from now on instead of stations (black until the first
    // frame); false goes back to stations.
    void setLive(bool on);
    // The newest live picture, drawn centred and scaled to fit the window.
    void showFrame(QImage frame);
    // A new channel on a live card: black, and the caption memories cleared.
    void clearLive();
    // A text shown for two seconds where the channel number goes.
    void showLabel(const QString& label, double now);
    // A text in the middle of the picture (empty: none).
    void setNotice(const QString& notice);
    void setSavingMark(bool on);
    void setCaptionDisplay(bool on);
    // One frame's line-21 pair as broadcast, for the caption display.
    void captionPair(uint8_t first, uint8_t second);
    // Called on each repaint tick with the program clock's time.
    void tick(double now);

    bool pictureOn() const { return pictureOn_; }
    bool savingMark() const { return savingMark_; }
    bool captionDisplay() const { return captionDisplay_; }
    bool showsChannelNumber() const { return channelShown_; }
    QString label() const { return channelShown_ ? label_ : QString(); }
    const QString& notice() const { return notice_; }
    bool live() const { return live_; }
    const QImage& frame() const { return frame_; }
    const captionscreen::CaptionScreen& captions() const { return *captions_; }

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QRect clockRect() const;
    QRect channelRect() const;
    QRect savingRect() const;
    QRect captionRect() const;
    QString clockText() const;
    QRect noticeRect() const;
    void paintBars(QPainter& p);
    void paintLive(QPainter& p);
    void paintNotice(QPainter& p);
    void regenerateSnow();

    MessageHandler handler_;
    ProgrammeTime programmeTime_;
    std::unique_ptr<captionscreen::CaptionScreen> captions_;
    uint64_t captionGeneration_ = 0;
    QTimer repaintTimer_;

    bool pictureOn_ = false;
    bool savingMark_ = false;
    bool captionDisplay_ = false;
    bool live_ = false;
    QImage frame_;
    QString notice_;
    QString label_;
    const Station* station_ = nullptr;
    QString title_;
    QImage picture_;  // the station's still, or null: colour bars
    QPixmap scaled_;  // picture_ or bars at the current size
    QImage snow_;
    uint32_t snowSeed_ = 12345;
    double channelShownUntil_ = 0.0;
    bool channelShown_ = false;
    QString shownClock_;
};

}  // namespace platform::tv
