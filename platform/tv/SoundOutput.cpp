#include "platform/tv/SoundOutput.h"

#include "platform/core/Clock.h"
#include "platform/playback/DefaultOutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QIODevice>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace platform::tv {

// Renders the feed as the sink pulls: one continuous stream from the start
// time on, so chunks join without gaps whatever the sink's timing. The stream
// runs `lead` seconds ahead of the programme clock, by which the device plays
// it late.
class FeedDevice final : public QIODevice {
  public:
    FeedDevice(AudioFeed& feed, const QAudioFormat& format, double start)
        : feed_(feed), format_(format), start_(start) {}

    double startTime() const { return start_; }
    double secondsRendered() const {
        return static_cast<double>(rendered_.load()) / format_.sampleRate();
    }
    double lead() const { return lead_.load(); }
    void setLead(double seconds) { lead_.store(seconds); }

    // Set on the user-interface thread while the sink reads on its own.
    void setGain(double g) { gain_.store(static_cast<float>(g)); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

  protected:
    qint64 readData(char* data, qint64 maxlen) override {
        const int channels = format_.channelCount();
        const int bytesPerFrame = format_.bytesPerFrame();
        const auto frames = static_cast<std::size_t>(maxlen / bytesPerFrame);
        const int feedChannels = std::min(channels, 2);
        buffer_.resize(frames * static_cast<std::size_t>(feedChannels));
        const double at = start_ + secondsRendered() + lead_.load();
        feed_.render(at, format_.sampleRate(), feedChannels, buffer_.data(), frames);
        rendered_.fetch_add(static_cast<int64_t>(frames));
        const float gain = gain_.load();
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                const float v =
                    std::clamp(buffer_[f * static_cast<std::size_t>(feedChannels) +
                                       static_cast<std::size_t>(std::min(c, feedChannels - 1))] *
                                   gain,
                               -1.0f, 1.0f);
                char* out =
                    data + (f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)) *
                               static_cast<std::size_t>(format_.bytesPerSample());
                if (format_.sampleFormat() == QAudioFormat::Float) {
                    *reinterpret_cast<float*>(out) = v;
                } else {
                    *reinterpret_cast<int16_t*>(out) =
                        static_cast<int16_t>(std::lround(v * 32767.0f));
                }
            }
        }
        return static_cast<qint64>(frames) * bytesPerFrame;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    AudioFeed& feed_;
    QAudioFormat format_;
    double start_ = 0.0;
    std::atomic<int64_t> rendered_{0};  // frames
    std::atomic<double> lead_{0.0};
    std::atomic<float> gain_{1.0f};
    std::vector<float> buffer_;
};

struct SoundOutput::Chosen {
    QAudioDevice device;
    QAudioFormat format;
};

namespace {
// How often the sound is held to the picture, and by how little it may
// drift from it before it is moved (each move is a small jump in the sound).
constexpr int kSyncMs = 100;
constexpr double kSyncTolerance = 0.004;
constexpr double kSyncJump = 0.05;
}  // namespace

SoundOutput::SoundOutput(AudioFeed& feed, QObject* parent) : QObject(parent), feed_(feed) {
    sync_.setInterval(kSyncMs);
    connect(&sync_, &QTimer::timeout, this, &SoundOutput::keepInStep);
}

SoundOutput::~SoundOutput() {
    stop();
}

bool SoundOutput::start() {
    stop();
    const QAudioDevice device = playback::defaultOutputQuietly();
    if (device.isNull()) {
        return false;
    }
    QAudioFormat format = device.preferredFormat();
    format.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format)) {
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            return false;
        }
    }
    chosen_ = std::make_unique<Chosen>(Chosen{device, format});
    active_ = true;
    startSink();
    return true;
}

void SoundOutput::startSink() {
    device_ = std::make_unique<FeedDevice>(feed_, chosen_->format, programClock().now());
    device_->setGain(gain_);
    device_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(chosen_->device, chosen_->format);
    sink_->start(device_.get());
    recentCount_ = 0;
    sync_.start();
}

void SoundOutput::keepInStep() {
    if (!sink_ || !device_) {
        return;
    }
    // What is heard now is what the device has played; the feed must be at
    // the programme clock there, so the rest of what was rendered, still
    // waiting in the device's buffers, is rendered ahead by as much.
    const double played = static_cast<double>(sink_->processedUSecs()) / 1e6;
    const double behind = (programClock().now() - device_->startTime()) - played;
    // The device reports its position in steps of a few milliseconds: the
    // median of the last two seconds' readings moves the sound, unless it is far
    // out (the start, a stall), when the newest does at once.
    recentBehind_[recentCount_++ % recentBehind_.size()] = behind;
    std::array<double, 20> sorted = recentBehind_;
    const std::size_t n = std::min(recentCount_, sorted.size());
    std::nth_element(sorted.begin(), sorted.begin() + n / 2, sorted.begin() + n);
    const double aim = std::fabs(behind - device_->lead()) > kSyncJump ? behind : sorted[n / 2];
    if (std::fabs(aim - device_->lead()) > kSyncTolerance) {
        device_->setLead(aim);
    }
}

void SoundOutput::stop() {
    sync_.stop();
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
    device_.reset();
    chosen_.reset();
    active_ = false;
}

double SoundOutput::secondsPlayed() const {
    return device_ ? device_->secondsRendered() : 0.0;
}

void SoundOutput::setGain(double gain) {
    gain_ = gain;
    if (device_) {
        device_->setGain(gain);
    }
}

}  // namespace platform::tv
