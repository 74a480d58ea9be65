// The default output device through QAudioSink, pulling from the program's
// source in the device's own time.
#include <QAudioDevice>
#include <QAudioSink>
#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/playback/AudioOut.h"
#include "platform/playback/DefaultOutput.h"

namespace platform::playback {

namespace {

// The source as the sink reads it: bytes in the sink's sample format.
class SourceDevice final : public QIODevice {
  public:
    explicit SourceDevice(const QAudioFormat& format) : format_(format) {}

    void reset(PcmSource* source) {
        source_ = source;
        ended_ = false;
    }
    bool ended() const { return ended_; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return ended_ ? 0 : format_.bytesForDuration(1000000) + QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return ended_; }

  protected:
    qint64 readData(char* data, qint64 maxlen) override {
        if (source_ == nullptr || ended_) {
            return 0;
        }
        const int channels = format_.channelCount();
        const auto frames = static_cast<std::size_t>(maxlen / format_.bytesPerFrame());
        const std::size_t samples = frames * static_cast<std::size_t>(channels);
        std::size_t got = 0;
        if (format_.sampleFormat() == QAudioFormat::Float) {
            got = source_->pull(reinterpret_cast<float*>(data), frames);
        } else {
            buffer_.resize(samples);
            got = source_->pull(buffer_.data(), frames);
            auto* out = reinterpret_cast<int16_t*>(data);
            for (std::size_t i = 0; i < got * static_cast<std::size_t>(channels); ++i) {
                out[i] = static_cast<int16_t>(
                    std::lround(std::clamp(buffer_[i], -1.0f, 1.0f) * 32767.0f));
            }
        }
        if (got < frames) {
            ended_ = true;
        }
        return static_cast<qint64>(got) * format_.bytesPerFrame();
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QAudioFormat format_;
    PcmSource* source_ = nullptr;
    bool ended_ = false;
    std::vector<float> buffer_;
};

class QtAudioOut final : public AudioOut {
  public:
    ~QtAudioOut() override { stop(); }

    // The device and the format are found once; each play gets a sink of its
    // own, since a sink started again after a stop sometimes never pulls.
    Status prepare(const PcmFormat& wanted) override {
        stop();
        chosen_.reset();
        const QAudioDevice output = defaultOutputQuietly();
        if (output.isNull()) {
            return Error{"There is no sound output device (no sound server is running)."};
        }
        QAudioFormat format;
        format.setSampleRate(wanted.sampleRate);
        format.setChannelCount(wanted.channels);
        format.setSampleFormat(QAudioFormat::Float);
        if (!output.isFormatSupported(format)) {
            format.setSampleFormat(QAudioFormat::Int16);
            if (!output.isFormatSupported(format)) {
                return Error{"The sound output device \"" + output.description().toStdString() +
                             "\" cannot play " + std::to_string(wanted.sampleRate) +
                             " Hz sound in " + std::to_string(wanted.channels) + " channels."};
            }
        }
        chosen_ = std::make_unique<Chosen>(Chosen{output, format});
        return {};
    }

    void play(PcmSource& source) override {
        if (!chosen_) {
            return;
        }
        stop();
        device_ = std::make_unique<SourceDevice>(chosen_->format);
        device_->reset(&source);
        device_->open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(chosen_->device, chosen_->format);
        QObject::connect(sink_.get(), &QAudioSink::stateChanged, &guard_,
                         [this](QAudio::State state) { stateChanged(state); });
        playing_ = true;
        ++generation_;
        sink_->start(device_.get());
    }

    void stop() override {
        playing_ = false;
        ++generation_;
        // A stopped sink keeps its stream open on the sound server until it
        // goes. Nothing here runs inside the sink's own signals (they only
        // queue calls on guard_), so it can go now.
        if (sink_) {
            sink_->stop();
            sink_.reset();
        }
        device_.reset();
    }

    bool playing() const override { return playing_; }

    double secondsPlayed() const override {
        return sink_ && playing_ ? static_cast<double>(sink_->processedUSecs()) / 1e6 : 0.0;
    }

  private:
    struct Chosen {
        QAudioDevice device;
        QAudioFormat format;
    };

    void stateChanged(QAudio::State state) {
        // Idle with the source at its end: the device has played it all.
        // Idle before the end is an underrun, and the sink pulls again. The
        // sink is stopped once its own signal has returned, unless another
        // play has begun meanwhile.
        if (state == QAudio::IdleState && playing_ && device_->ended()) {
            QMetaObject::invokeMethod(
                &guard_,
                [this, generation = generation_] {
                    if (generation == generation_ && playing_) {
                        stop();
                        finished();
                    }
                },
                Qt::QueuedConnection);
        } else if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError) {
            // The device went away (a sound server that stopped): nothing plays.
            playing_ = false;
        }
    }

    std::unique_ptr<Chosen> chosen_;
    std::unique_ptr<SourceDevice> device_;
    std::unique_ptr<QAudioSink> sink_;
    bool playing_ = false;
    int generation_ = 0;  // counts plays and stops
    QObject guard_;       // where the sink's signals are handled
};

}  // namespace

std::unique_ptr<AudioOut> makeDefaultAudioOut() {
    return std::make_unique<QtAudioOut>();
}

}  // namespace platform::playback
