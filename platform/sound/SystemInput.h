#pragma once
// The system's default capture device as a wave input, through Qt
// Multimedia. It asks the device for the recording's format and converts
// what the device actually gives (sample type, channels, rate). Capture runs
// while the program's event loop does; reads happen at each pump and
// whenever the device signals data.
//
// Timing: the device starts some milliseconds after "record", and its clock
// is not quite the program's; CaptureTiming places its sound on the program
// clock, so the first frame is the moment recording started and the rest
// stays in step with the captions.
#include <QAudioDevice>
#include <QAudioFormat>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

#include "platform/sound/CaptureTiming.h"
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

    WaveFormat want_;
    double startTime_ = 0.0;
    QAudioDevice device_;
    QAudioFormat got_;
    RawSample raw_ = RawSample::Int16;
    QAudioSource* source_ = nullptr;
    // Qt deletes the device's QIODevice itself when the stream fails.
    QPointer<QIODevice> io_;
    std::unique_ptr<StreamResampler> resampler_;
    std::unique_ptr<CaptureTiming> timing_;
    std::size_t written_ = 0;     // WAV frames made so far, silence included
    std::vector<float> pending_;  // converted frames waiting for the next read
    std::vector<float> decoded_, mapped_;
    QByteArray partial_;
    std::string lost_;
    Status error_;
};

// The factory installQtSound registers: a new SystemInput per recording.
std::unique_ptr<WaveInput> makeSystemInput();

}  // namespace platform::sound
