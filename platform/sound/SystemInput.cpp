#include "platform/sound/SystemInput.h"

#include <QAudioSource>
#include <QMediaDevices>
#include <cmath>

#include "platform/core/Clock.h"

namespace platform::sound {

namespace {

std::optional<RawSample> rawOf(QAudioFormat::SampleFormat f) {
    switch (f) {
        case QAudioFormat::UInt8:
            return RawSample::UInt8;
        case QAudioFormat::Int16:
            return RawSample::Int16;
        case QAudioFormat::Int32:
            return RawSample::Int32;
        case QAudioFormat::Float:
            return RawSample::Float32;
        default:
            return std::nullopt;
    }
}

// The device's own format nearest to the recording's: the same format when
// it takes it, else the same rate and channels in floats or 16 bits, else
// whatever it prefers (converted afterwards).
QAudioFormat nearestFormat(const QAudioDevice& dev, const WaveFormat& want) {
    QAudioFormat f;
    f.setSampleRate(want.samplesPerSec);
    f.setChannelCount(want.channels);
    for (auto sf : {want.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16,
                    QAudioFormat::Float, QAudioFormat::Int16}) {
        f.setSampleFormat(sf);
        if (dev.isFormatSupported(f)) {
            return f;
        }
    }
    return dev.preferredFormat();
}

const char* describeError(QAudio::Error e) {
    switch (e) {
        case QAudio::OpenError:
            return "it could not be opened";
        case QAudio::IOError:
            return "reading from it failed";
        case QAudio::UnderrunError:
            return "it ran out of data";
        case QAudio::FatalError:
            return "it stopped working (the sound server may have gone away)";
        case QAudio::NoError:
            break;
    }
    return "it stopped";
}

}  // namespace

SystemInput::SystemInput() = default;

SystemInput::~SystemInput() {
    stop();
}

Status SystemInput::start(const WaveFormat& format, double startTime) {
    want_ = format;
    startTime_ = startTime;
    device_ = QMediaDevices::defaultAudioInput();
    if (device_.isNull()) {
        return Error{"there is no system capture device (is the sound server running?)"};
    }
    got_ = nearestFormat(device_, want_);
    const auto raw = rawOf(got_.sampleFormat());
    if (!raw || got_.channelCount() < 1 || got_.sampleRate() < 1) {
        return Error{"the capture device '" + device_.description().toStdString() +
                     "' offers no format this program can read"};
    }
    raw_ = *raw;
    // Adjustable even at equal rates: the device's clock is followed.
    resampler_ = std::make_unique<StreamResampler>(got_.sampleRate(), want_.samplesPerSec,
                                                   want_.channels, true);
    timing_ = std::make_unique<CaptureTiming>(startTime, got_.sampleRate(), want_.samplesPerSec);
    written_ = 0;
    source_ = new QAudioSource(device_, got_, this);
    connect(source_, &QAudioSource::stateChanged, this, &SystemInput::onStateChanged);
    io_ = source_->start();
    if (!io_ || source_->error() != QAudio::NoError) {
        const std::string why = describeError(source_->error());
        delete source_;
        source_ = nullptr;
        return Error{"the capture device '" + device_.description().toStdString() +
                     "' cannot start: " + why};
    }
    connect(io_.data(), &QIODevice::readyRead, this, &SystemInput::drain);
    return {};
}

void SystemInput::drain() {
    if (!io_) {
        return;
    }
    QByteArray bytes = partial_ + io_->readAll();
    const std::size_t frameBytes = static_cast<std::size_t>(bytesOf(raw_) * got_.channelCount());
    const std::size_t frames = static_cast<std::size_t>(bytes.size()) / frameBytes;
    partial_ = bytes.mid(static_cast<qsizetype>(frames * frameBytes));
    if (frames == 0) {
        return;
    }
    const CaptureTiming::Placement place = timing_->arrived(programClock().now(), frames, written_);
    const std::size_t wavChannels = static_cast<std::size_t>(want_.channels);
    pending_.resize(pending_.size() + place.silenceBefore * wavChannels, 0.0f);
    written_ += place.silenceBefore;
    resampler_->setScale(place.rateScale);
    const std::size_t skip = place.leaveOut;
    const std::size_t keep = frames - skip;
    if (keep == 0) {
        return;
    }
    const std::size_t inCh = static_cast<std::size_t>(got_.channelCount());
    decoded_.resize(keep * inCh);
    decodeRaw(raw_, reinterpret_cast<const unsigned char*>(bytes.constData()) + skip * frameBytes,
              keep * inCh, decoded_.data());
    mapped_.resize(keep * static_cast<std::size_t>(want_.channels));
    mapChannels(decoded_.data(), got_.channelCount(), mapped_.data(), want_.channels, keep);
    const std::size_t before = pending_.size();
    if (Status s = resampler_->process(mapped_.data(), keep, pending_); !s && error_) {
        error_ = s;
    }
    written_ += (pending_.size() - before) / wavChannels;
}

Status SystemInput::read(FrameSink& sink) {
    drain();
    if (!error_) {
        return error_;
    }
    const std::size_t frames = pending_.size() / static_cast<std::size_t>(want_.channels);
    if (frames == 0) {
        return {};
    }
    Status s = sink.frames(pending_.data(), frames);
    pending_.clear();
    return s;
}

void SystemInput::onStateChanged() {
    if (source_ && source_->state() == QAudio::StoppedState &&
        source_->error() != QAudio::NoError && lost_.empty()) {
        lost_ = "the capture device '" + device_.description().toStdString() +
                "' failed: " + describeError(source_->error());
    }
}

void SystemInput::stop() {
    if (!source_) {
        return;
    }
    drain();
    disconnect(source_, nullptr, this, nullptr);
    source_->stop();
    delete source_;
    source_ = nullptr;
}

std::unique_ptr<WaveInput> makeSystemInput() {
    return std::make_unique<SystemInput>();
}

}  // namespace platform::sound
