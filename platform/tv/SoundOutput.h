#pragma once
// Plays the card's sound on the system's default output, pulled from the
// audio feed at the program clock's position. No output device is no error:
// the card is then silent.
#include <QObject>
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

    // Starts playing the feed from time `at` on the program clock; false
    // when there is no device to play on.
    bool start(double at);
    void stop();
    // 1.0: the feed unchanged.
    void setGain(double gain);
    bool playing() const { return sink_ != nullptr; }
    // How much of the feed the device has taken since start.
    double secondsPlayed() const;

  private:
    AudioFeed& feed_;
    double gain_ = 1.0;
    std::unique_ptr<FeedDevice> device_;
    std::unique_ptr<QAudioSink> sink_;
};

}  // namespace platform::tv
