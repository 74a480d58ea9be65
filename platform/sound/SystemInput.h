#pragma once
// The system's default capture device as a wave input, through Qt
// Multimedia. It asks the device for the recording's format and converts
// what the device actually gives (sample type, channels, rate). Capture runs
// while the program's event loop does; reads happen at each pump and
// whenever the device signals data.
//
// Timing: the device starts some milliseconds after "record". The first data
// fixes where the device's stream began: the program clock at its arrival,
// less the length of sound delivered. The recording is padded with silence
// (or the device's first frames dropped) so its first frame is still the
// moment recording started.
#include <QAudioDevice>
#include <QAudioFormat>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

#include "platform/sound/SampleConvert.h"
#include "platform/sound/StreamResampler.h"
#include "platform/sound/WaveInput.h"

class QAudioSource;

namespace platform::sound {

class SystemInput final : public QObject, public WaveInput {
    Q_OBJECT
  public:
    SystemInput();
    ~SystemInput() override;

    Status start(const WaveFormat& format, double startTime) override;
    Status read(FrameSink& sink) override;
    void stop() override;
    std::string lostReason() const override { return lost_; }

  private:
    void drain();
    void onStateChanged();
    void place(const float* frames, std::size_t count);

    WaveFormat want_;
    double startTime_ = 0.0;
    QAudioDevice device_;
    QAudioFormat got_;
    RawSample raw_ = RawSample::Int16;
    QAudioSource* source_ = nullptr;
    // Qt deletes the device's QIODevice itself when the stream fails.
    QPointer<QIODevice> io_;
    std::unique_ptr<StreamResampler> resampler_;
    bool timed_ = false;          // the first data has fixed the stream's start
    std::size_t dropFrames_ = 0;  // device frames still to skip before the start
    std::size_t received_ = 0;    // device frames that have arrived
    double began_ = 0.0;          // when the first of them was captured
    std::vector<float> pending_;  // converted frames waiting for the next read
    std::vector<float> decoded_, mapped_;
    QByteArray partial_;
    std::string lost_;
    Status error_;
};

// The factory installQtSound registers: a new SystemInput per recording.
std::unique_ptr<WaveInput> makeSystemInput();

}  // namespace platform::sound
