#include "platform/tv/SwitchingCard.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "platform/core/ProfileFile.h"
#include "platform/tv/VideoWindowHost.h"
#include "platform/win/WinQt.h"

namespace platform::tv {
namespace {

constexpr const char* kSection = "card";
constexpr const char* kSourceKey = "Source";

void send(HWND h, win::UINT msg, win::WPARAM wParam, int32_t value) {
    int32_t slot = value;
    win::SendMessageA(h, msg, wParam, reinterpret_cast<win::LPARAM>(&slot));
}

}  // namespace

SwitchingCard::SwitchingCard(std::string settingsPath, CardMaker make, SourceChooser choose,
                             Reporter report)
    : settingsPath_(std::move(settingsPath)),
      make_(std::move(make)),
      choose_(std::move(choose)),
      report_(std::move(report)) {}

SwitchingCard::~SwitchingCard() {
    // The host widget may outlive its handle (DestroyWindow leaves deleting it
    // to its parent): it must not call back into this card.
    if (hostWidget_) {
        hostWidget_->setMessageHandler(nullptr);
        hostWidget_->setResizeHandler(nullptr);
    }
    dropCard();
}

std::string SwitchingCard::defaultSettingsPath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ((ec ? std::filesystem::current_path(ec) : exe.parent_path()) / "tvcard.ini").string();
}

Status SwitchingCard::loadCard(const std::string& source) {
    Result<std::unique_ptr<TvCard>> made = make_(source);
    if (!made) {
        return Error{made.message()};
    }
    std::unique_ptr<TvCard> card = std::move(made.value());
    if (Status s = card->DVALoad(hInstance_); !s) {
        return s;
    }
    card_ = std::move(card);
    source_ = source;
    feed_.setFeed(card_->audioFeed());
    return {};
}

void SwitchingCard::dropCard() {
    if (!card_) {
        return;
    }
    if (cardWindow_ != 0 && pictureOn_) {
        send(cardWindow_, kMsgStopAll, 0, 0);
    }
    card_->DVAFree();
    // No listener may be inside the old card's sound when it goes.
    feed_.setFeed(nullptr);
    if (cardWindow_ != 0) {
        const HWND h = cardWindow_;
        cardWindow_ = 0;
        if (QWidget* w = win::widgetFor(h)) {
            delete w;
        } else {
            win::DestroyWindow(h);
        }
    }
    card_.reset();
}

void SwitchingCard::bringUp() {
    if (host_ == nullptr || !card_) {
        return;
    }
    cardWindow_ = card_->CreateVideoWindow(hostHandle_, hInstance_,
                                           Rect{0, 0, host_->width(), host_->height()});
    if (pictureOn_) {
        send(cardWindow_, kMsgStartPicture, 0, 0);
    }
    if (volume_) {
        card_->DVAAudioSetVolume(0, *volume_);
    }
    for (const auto& [property, value] : properties_) {
        card_->DVASetProperty(0, property, value);
    }
    if (captionTarget_) {
        send(cardWindow_, kMsgCaptionTarget, captionTarget_->first, captionTarget_->second);
    }
    if (channel_ != 0) {
        card_->DVATuneSetChannel(0, channel_);
    }
}

Status SwitchingCard::switchTo(const std::string& source) {
    const Status stored = WritePrivateProfileStringA(kSection, kSourceKey, source, settingsPath_);
    if (!loaded_) {
        return stored;
    }
    dropCard();
    Status loaded = loadCard(source);
    if (!loaded && !source.empty()) {
        // The simulated card never leaves the program without a picture.
        if (Status fallback = loadCard(""); !fallback) {
            return fallback;
        }
    }
    bringUp();
    return loaded ? stored : loaded;
}

void SwitchingCard::chooseSource() {
    if (!choose_) {
        return;
    }
    const std::optional<std::string> chosen = choose_(source_, dialogParent());
    if (!chosen) {
        return;
    }
    // The same source again re-opens it: a way to retry a tuner at once.
    const Status s = switchTo(*chosen);
    if (!s && report_) {
        report_(s.message(), dialogParent());
    }
}

QWidget* SwitchingCard::dialogParent() const {
    return host_ != nullptr ? host_->window() : nullptr;
}

Status SwitchingCard::DVALoad(intptr_t hInstance) {
    hInstance_ = hInstance;
    std::string source = GetPrivateProfileStringA(kSection, kSourceKey, "", settingsPath_);
    Status s = loadCard(source);
    if (!s && !source.empty()) {
        // A hand-edited source that does not work must not keep the program
        // from starting: the simulated card plays, and the reason is told.
        std::cerr << settingsPath_ << ": " << s.message() << "; using the simulated card\n";
        s = loadCard("");
    }
    loaded_ = s.isOk();
    return s;
}

int32_t SwitchingCard::DVATuneChannels(int32_t zero) {
    return card_ ? card_->DVATuneChannels(zero) : 0;
}

int32_t SwitchingCard::DVAAudioSetVolume(int32_t zero, int32_t volume) {
    volume_ = volume;
    return card_ ? card_->DVAAudioSetVolume(zero, volume) : 0;
}

int32_t SwitchingCard::DVASetProperty(int32_t zero, int32_t property, int32_t value) {
    properties_[property] = value;
    return card_ ? card_->DVASetProperty(zero, property, value) : 0;
}

int32_t SwitchingCard::DVATuneSetChannel(int32_t zero, int16_t channel) {
    channel_ = channel;
    return card_ ? card_->DVATuneSetChannel(zero, channel) : 0;
}

int32_t SwitchingCard::DVATuneScan(int32_t zero, ScanCallback callback) {
    return card_ ? card_->DVATuneScan(zero, callback) : 0;
}

int32_t SwitchingCard::DVAFree() {
    loaded_ = false;
    return card_ ? card_->DVAFree() : 0;
}

HWND SwitchingCard::CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) {
    QWidget* parentWidget = win::widgetFor(parent);
    if (parentWidget == nullptr || !card_ || host_ != nullptr) {
        return 0;
    }
    hInstance_ = hInstance;
    host_ = new VideoWindowHost(parentWidget);
    hostWidget_ = host_;
    host_->setGeometry(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
    host_->setMessageHandler(
        [this](win::UINT msg, win::WPARAM w, win::LPARAM l) { onHostMessage(msg, w, l); });
    host_->setResizeHandler([this](int width, int height) {
        if (cardWindow_ != 0) {
            win::SetWindowPos(cardWindow_, 0, 0, 0, width, height, win::SWP_NOZORDER);
        }
    });
    host_->show();
    hostHandle_ = win::registerWidget(host_);
    cardWindow_ = card_->CreateVideoWindow(hostHandle_, hInstance_,
                                           Rect{0, 0, host_->width(), host_->height()});
    return hostHandle_;
}

void SwitchingCard::onHostMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const int32_t value = lParam == 0 ? 0 : *reinterpret_cast<const int32_t*>(lParam);
    switch (msg) {
        case kMsgStartPicture:
            pictureOn_ = true;
            break;
        case kMsgStopAll:
            pictureOn_ = false;
            captionTarget_.reset();
            break;
        case kMsgCaptionTarget:
            captionTarget_ = {wParam, value};
            break;
        case win::WM_DESTROY: {
            // The host is going with its parent; a card window that is a
            // widget goes with it, any other is destroyed here.
            const HWND h = cardWindow_;
            host_ = nullptr;
            hostHandle_ = 0;
            cardWindow_ = 0;
            if (h != 0 && win::widgetFor(h) == nullptr) {
                win::DestroyWindow(h);
            }
            return;
        }
        default:
            break;
    }
    if (cardWindow_ != 0) {
        win::SendMessageA(cardWindow_, msg, wParam, lParam);
    }
}

std::vector<CardMenuItem> SwitchingCard::tunerMenuItems() {
    return {{"&Source...", "mnuSource", [this] { chooseSource(); }}};
}

}  // namespace platform::tv
