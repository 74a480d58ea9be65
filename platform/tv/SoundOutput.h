#pragma once
// Plays the card's sound on the system's default output, pulled from its
// feed (any AudioFeed) at the program clock's position. No output device is no
// error: the card is then silent.
#include <QObject>
#include <QTimer>
#include <array>
#include <memory>

#include "platform/tv/AudioFeed.h"

class QAudioSink;

namespace platform::tv {

class FeedDevice;

class SoundOutput final : public QObject {
    Q_OBJECT
  public:
    explicit SoundOutput(AudioFeed& feed, QObject* parent = nullptr);
    ~SoundOutput() override;

    // Starts playing the feed from the live edge; false when there is no
    // device to play on.
    bool start();
    void stop();
    // 1.0: the feed unchanged.
    void setGain(double gain);
    // A device was found and the sound is playing or about to.
    bool playing() const { return active_; }
    // How much of the feed the device has taken.
    double secondsPlayed() const;

  private:
    void startSink();
    void keepInStep();

    AudioFeed& feed_;
    double gain_ = 1.0;
    bool active_ = false;
    QTimer sync_;
    std::array<double, 20> recentBehind_{};
    std::size_t recentCount_ = 0;
    std::unique_ptr<FeedDevice> device_;
    std::unique_ptr<QAudioSink> sink_;
    struct Chosen;
    std::unique_ptr<Chosen> chosen_;
};

}  // namespace platform::tv
