#include "platform/tv/SimulatedCard.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <thread>

#include "platform/tv/SoundOutput.h"
#include "platform/tv/VideoWindow.h"
#include "platform/win/WinQt.h"

namespace platform::tv {

std::string SimulatedCard::defaultBroadcastsRoot() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ((ec ? std::filesystem::current_path(ec) : exe.parent_path()) / "broadcasts").string();
}

SimulatedCard::SimulatedCard()
    : root_(defaultBroadcastsRoot()), line21_(clock_, tunings_), feed_(tunings_) {
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        pump();
        armFrameTimer();
    });
    line21_.setFrameSink([this](int64_t, double, uint8_t first, uint8_t second) {
        if (video_) {
            video_->captionPair(first, second);
        }
    });
}

SimulatedCard::~SimulatedCard() {
    stopAll();
    // The window may outlive the card inside its parent: cut it loose.
    if (video_) {
        video_->setMessageHandler(nullptr);
        video_->setProgrammeTime(nullptr);
        video_->tuned(0, nullptr, 0.0);
    }
}

Status SimulatedCard::DVALoad(intptr_t) {
    if (!loadFailure_.empty()) {
        return Error{loadFailure_};
    }
    origin_ = clock_.now();
    stations_ = std::make_shared<const StationSet>(loadStations(root_, std::cerr));
    tunings_.clear();
    tuned_ = 0;
    line21_.setProgramme(stations_, origin_);
    feed_.setProgramme(stations_, origin_);
    loaded_ = true;
    return {};
}

int32_t SimulatedCard::DVATuneChannels(int32_t) {
    return kChannelCount << 16;
}

int32_t SimulatedCard::DVAAudioSetVolume(int32_t, int32_t volume) {
    volume_ = std::clamp(volume, 0, 1000);
    if (sound_) {
        sound_->setGain(volume_ / 500.0);
    }
    return 1;
}

int32_t SimulatedCard::DVASetProperty(int32_t, int32_t property, int32_t value) {
    if (property == kPropCaptionDisplay) {
        captionDisplay_ = value != 0;
        if (video_) {
            video_->setCaptionDisplay(captionDisplay_);
        }
    }
    return 1;
}

int32_t SimulatedCard::DVATuneSetChannel(int32_t, int16_t channel) {
    const double now = clock_.now();
    // Frames due before this moment still belong to the old channel.
    line21_.pumpBefore(now);
    tuned_ = channel;
    tunings_.tune(now, channel);
    if (video_) {
        video_->tuned(channel, stations_ ? stations_->at(channel) : nullptr, now);
    }
    return 1;
}

int32_t SimulatedCard::DVATuneScan(int32_t, ScanCallback callback) {
    if (callback == nullptr) {
        return 0;
    }
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        // The tuner needs a moment to settle on each channel.
        if (scanDelay_.count() > 0) {
            std::this_thread::sleep_for(scanDelay_);
        }
        const bool found = stations_ && stations_->at(ch) != nullptr;
        callback(ch, 0, found ? 1 : 0);
    }
    return 1;
}

int32_t SimulatedCard::DVAFree() {
    stopAll();
    loaded_ = false;
    stations_.reset();
    line21_.setProgramme(nullptr, 0.0);
    feed_.setProgramme(nullptr, 0.0);
    if (video_) {
        video_->tuned(0, nullptr, clock_.now());
    }
    return 1;
}

HWND SimulatedCard::CreateVideoWindow(HWND parent, intptr_t, const Rect& r) {
    QWidget* parentWidget = win::widgetFor(parent);
    if (parentWidget == nullptr) {
        return 0;
    }
    auto* video = new VideoWindow(parentWidget);
    video->setGeometry(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
    video->setMessageHandler(
        [this](win::UINT msg, win::WPARAM w, int32_t value) { onVideoMessage(msg, w, value); });
    video->setProgrammeTime([this] { return programmeTime(); });
    video->setCaptionDisplay(captionDisplay_);
    video->tuned(tuned_, stations_ ? stations_->at(tuned_) : nullptr, clock_.now());
    video->show();
    video_ = video;
    return win::registerWidget(video);
}

void SimulatedCard::onVideoMessage(win::UINT msg, win::WPARAM wParam, int32_t value) {
    switch (msg) {
        case kMsgStartPicture:
            startPicture();
            break;
        case kMsgCaptionTarget:
            if (value == 123 && loaded_) {
                line21_.run();
                line21_.setTarget(wParam);
                armFrameTimer();
            }
            break;
        case kMsgRecordingStop:
            if (video_) {
                video_->setSavingMark(wParam == 1);
            }
            break;
        case kMsgStopAll:
            stopAll();
            break;
        case win::WM_MOVE:
            ++moves_;
            break;
        case win::WM_DESTROY:
            video_ = nullptr;
            stopAll();
            break;
        default:
            break;
    }
}

void SimulatedCard::startPicture() {
    if (!loaded_) {
        return;
    }
    if (video_) {
        video_->setPictureOn(true);
    }
    // The caption display follows the signal even before anyone asks for
    // caption messages.
    line21_.run();
    armFrameTimer();
    if (soundEnabled_ && !sound_) {
        sound_ = std::make_unique<SoundOutput>(feed_);
        sound_->setGain(volume_ / 500.0);
        if (!sound_->start()) {
            sound_.reset();
        }
    }
}

void SimulatedCard::stopAll() {
    line21_.stop();
    frameTimer_.stop();
    sound_.reset();
    if (video_) {
        video_->setPictureOn(false);
        video_->setSavingMark(false);
    }
}

int64_t SimulatedCard::pump() {
    return line21_.pump();
}

void SimulatedCard::armFrameTimer() {
    if (!line21_.running()) {
        frameTimer_.stop();
        return;
    }
    const double wait = line21_.nextDue() - clock_.now();
    frameTimer_.start(static_cast<int>(std::clamp(std::ceil(wait * 1000.0), 0.0, 1000.0)));
}

double SimulatedCard::programmeTime() const {
    const Station* s = stations_ ? stations_->at(tuned_) : nullptr;
    if (s == nullptr || s->lengthSeconds() <= 0.0) {
        return 0.0;
    }
    return std::fmod(std::max(0.0, clock_.now() - origin_), s->lengthSeconds());
}

bool SimulatedCard::soundPlaying() const {
    return sound_ && sound_->playing();
}

double SimulatedCard::soundSecondsPlayed() const {
    return sound_ ? sound_->secondsPlayed() : 0.0;
}

}  // namespace platform::tv
