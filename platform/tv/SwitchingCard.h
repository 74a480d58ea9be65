#pragma once
// The program's card: the simulated card, or the card for the source set in
// the card's settings file (tvcard.ini beside the program), switched while
// the program runs from the card's own Tuner > Source... item.
//
// A switch takes effect at once: the card in use stops and is freed, and the
// new one is loaded and brought to where the old one was, in the order the
// program's load uses (video window, picture on, volume, properties, caption
// target, channel). The video window the program holds is this card's own
// and stays the same across switches: each card's window is made inside it
// and gets its messages; so does the sound feed the recorder holds.
//
// Every call runs on the user-interface thread.
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/tv/FeedSwitch.h"
#include "platform/tv/TvCard.h"
#include "platform/tv/VideoWindowHost.h"

class QWidget;

namespace platform::tv {

class SwitchingCard final : public TvCard {
  public:
    // Makes the card for a source ("": the simulated card); an unusable
    // source is an error that says why.
    using CardMaker = std::function<Result<std::unique_ptr<TvCard>>(const std::string& source)>;
    // Asks the user for a source, the present one given; nothing: cancelled.
    using SourceChooser =
        std::function<std::optional<std::string>(const std::string& current, QWidget* parent)>;
    // Tells the user what went wrong with a switch.
    using Reporter = std::function<void(const std::string& message, QWidget* parent)>;

    SwitchingCard(std::string settingsPath, CardMaker make, SourceChooser choose, Reporter report);
    ~SwitchingCard() override;

    // tvcard.ini beside the program.
    static std::string defaultSettingsPath();
    const std::string& settingsPath() const { return settingsPath_; }

    // The source in use ("" the simulated card) and its card.
    const std::string& source() const { return source_; }
    TvCard* card() const { return card_.get(); }

    // Stores the source in the settings file and changes to its card. When
    // that card cannot load, the simulated card is used and the error
    // returned; a source that cannot be stored is used for this run only,
    // and the error returned too.
    Status switchTo(const std::string& source);
    // Tuner > Source...: asks, then switches.
    void chooseSource();

    Status DVALoad(intptr_t hInstance) override;
    int32_t DVATuneChannels(int32_t zero) override;
    int32_t DVAAudioSetVolume(int32_t zero, int32_t volume) override;
    int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value) override;
    int32_t DVATuneSetChannel(int32_t zero, int16_t channel) override;
    int32_t DVATuneScan(int32_t zero, ScanCallback callback) override;
    int32_t DVAFree() override;
    HWND CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) override;
    AudioFeed* audioFeed() override { return &feed_; }
    std::vector<CardMenuItem> tunerMenuItems() override;

  private:
    Status loadCard(const std::string& source);
    void dropCard();
    void bringUp();
    void onHostMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    QWidget* dialogParent() const;

    std::string settingsPath_;
    CardMaker make_;
    SourceChooser choose_;
    Reporter report_;

    std::string source_;
    std::unique_ptr<TvCard> card_;
    FeedSwitch feed_;
    bool loaded_ = false;
    intptr_t hInstance_ = 0;

    // What the program told the card so far, so that the next card is told too.
    VideoWindowHost* host_ = nullptr;  // while its handle lives
    QPointer<VideoWindowHost> hostWidget_;
    HWND hostHandle_ = 0;
    HWND cardWindow_ = 0;
    bool pictureOn_ = false;
    std::optional<int32_t> volume_;
    std::map<int32_t, int32_t> properties_;
    std::optional<std::pair<win::WPARAM, int32_t>> captionTarget_;
    int16_t channel_ = 0;
};

}  // namespace platform::tv
