#pragma once
// The card built into the program: 125 channels, stations read from the
// "broadcasts" folder beside the executable (one folder per channel number),
// each looping its programme on a clock that starts at DVALoad.
//
// What its calls mean:
//   DVATuneChannels(0)        125 << 16.
//   DVAAudioSetVolume(0, v)   speaker volume 0..1000 (clamped); 500 plays the
//                             sound as broadcast, 0 is silent, 1000 twice as
//                             loud. The line-out feed (audioFeed()) is not
//                             affected, as a line output is not.
//   DVASetProperty(0, 12, v)  the caption display on the picture: 1 on, 0 off.
//                             Other properties are accepted and ignored.
//   DVATuneSetChannel(0, ch)  tunes from this moment on; the picture shows the
//                             channel number for two seconds. A channel outside
//                             1..125 or without a station shows snow.
//   DVATuneScan(0, cb)        cb(ch, 0, found) for ch = 1..125 in order, a few
//                             milliseconds each, on the caller's thread; the
//                             tuning stays as it was.
//
// Messages to the video window (lParam: address of a 32-bit value):
//   1027 (0, 0)         starts the picture and the sound.
//   1040 (hwnd, 123)    line-21 pairs go to hwnd as 1067, one per frame; any
//                       other value at lParam is ignored.
//   1035 (1, 0)         shows the "saving" mark; 1035 (0, 0) removes it.
//   1028 (0, 0)         stops the picture, the caption messages and the sound.
//   WM_MOVE             noted; a child window moves with its parent.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <memory>
#include <string>

#include "platform/core/Clock.h"
#include "platform/tv/BroadcastFeed.h"
#include "platform/tv/Line21Schedule.h"
#include "platform/tv/TuningLog.h"
#include "platform/tv/TvCard.h"
#include "platform/tv/VideoWindow.h"

namespace platform::tv {

class SoundOutput;

class SimulatedCard final : public QObject, public TvCard {
    Q_OBJECT
  public:
    SimulatedCard();
    ~SimulatedCard() override;

    // The folder of station folders: "broadcasts" beside the executable
    // unless set (read at each DVALoad).
    void setBroadcastsRoot(std::string root) { root_ = std::move(root); }
    const std::string& broadcastsRoot() const { return root_; }
    static std::string defaultBroadcastsRoot();

    // Faults for tests: a load that fails with this reason (empty: none);
    // n of every m frames lost; every k-th frame's first byte with bad parity.
    void failLoad(std::string reason) { loadFailure_ = std::move(reason); }
    void dropFrames(int n, int m) { line21_.dropFrames(n, m); }
    void badParity(int k) { line21_.badParity(k); }
    // Tests and benches run without sound; on by default.
    void setSoundEnabled(bool on) { soundEnabled_ = on; }
    void setScanDelay(std::chrono::milliseconds d) { scanDelay_ = d; }

    // Sends every frame due by now, as the frame timer does.
    int64_t pump();
    Line21Schedule& line21() { return line21_; }
    const StationSet* stations() const { return stations_.get(); }
    double programmeStart() const { return origin_; }
    int tunedChannel() const { return tuned_; }
    int volume() const { return volume_; }
    int movesNoted() const { return moves_; }
    bool soundPlaying() const;
    double soundSecondsPlayed() const;
    VideoWindow* videoWindow() const { return video_.data(); }

    Status DVALoad(intptr_t hInstance) override;
    int32_t DVATuneChannels(int32_t zero) override;
    int32_t DVAAudioSetVolume(int32_t zero, int32_t volume) override;
    int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value) override;
    int32_t DVATuneSetChannel(int32_t zero, int16_t channel) override;
    int32_t DVATuneScan(int32_t zero, ScanCallback callback) override;
    int32_t DVAFree() override;
    HWND CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) override;
    AudioFeed* audioFeed() override { return &feed_; }

  private:
    // The program clock as installed at each moment (tests swap it).
    class ProgramClockView final : public Clock {
      public:
        double now() const override { return programClock().now(); }
    };

    void onVideoMessage(win::UINT msg, win::WPARAM wParam, int32_t value);
    void startPicture();
    void stopAll();
    void armFrameTimer();
    double programmeTime() const;

    ProgramClockView clock_;
    std::string root_;
    std::string loadFailure_;
    bool soundEnabled_ = true;
    std::chrono::milliseconds scanDelay_{3};

    bool loaded_ = false;
    double origin_ = 0.0;
    std::shared_ptr<const StationSet> stations_;
    TuningLog tunings_;
    Line21Schedule line21_;
    BroadcastFeed feed_;
    QTimer frameTimer_;
    std::unique_ptr<SoundOutput> sound_;
    QPointer<VideoWindow> video_;
    int tuned_ = 0;
    int volume_ = 500;
    bool captionDisplay_ = false;
    int moves_ = 0;
};

}  // namespace platform::tv
