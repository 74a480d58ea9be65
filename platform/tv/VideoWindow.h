#pragma once
// The simulated card's picture, class "ATIVideoWindow": a child widget that
// shows the tuned station (its still picture, or colour bars with its title
// and programme time), snow on a channel without a station, the channel
// number for two seconds after each tuning, a "saving" mark, and the
// captions when the caption display is on. It repaints ten times a second at
// most, and only what changed. Messages reaching it go to its handler.
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
    void paintBars(QPainter& p);
    void regenerateSnow();

    MessageHandler handler_;
    ProgrammeTime programmeTime_;
    std::unique_ptr<captionscreen::CaptionScreen> captions_;
    uint64_t captionGeneration_ = 0;
    QTimer repaintTimer_;

    bool pictureOn_ = false;
    bool savingMark_ = false;
    bool captionDisplay_ = false;
    int channel_ = 0;
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
