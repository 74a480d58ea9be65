#pragma once
// The card for real television: channels from a network tuner, an IPTV
// playlist or a folder of recordings, decoded into picture, captions and
// sound, behind the same calls as the simulated card:
//
//   DVATuneChannels(0)        125 << 16: the source's channels sit in slots
//                             1..125 (the slot map, kept in tvcard.ini).
//   DVAAudioSetVolume(0, v)   speaker volume as on the simulated card; the
//                             line-out feed (audioFeed()) is not affected.
//   DVASetProperty(0, 12, v)  the caption display on the picture.
//   DVATuneSetChannel(0, ch)  closes the stream being watched (freeing the
//                             tuner) and opens the slot's channel; the
//                             picture shows "slot · GuideNumber GuideName"
//                             for two seconds. What keeps a channel from
//                             being watched is said on the picture.
//   DVATuneScan(0, cb)        the source's scan, with a progress box of the
//                             card's own; then cb(ch, 0, found) for ch =
//                             1..125 in order, and the channel tuned again.
//
// Messages to the video window as on the simulated card: 1027 starts the
// picture and the sound, 1040 (hwnd, 123) sends each caption pair to hwnd as
// 1067, one per 1001/30000 s of the stream, 1035 shows the saving mark,
// 1028 stops everything.
//
// Decoding and the network run on threads of their own; the caption
// messages, the picture and the sound feed meet the program on its thread.
// Every time the card keeps is the program clock's.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/tv/TvCard.h"
#include "platform/tv/VideoWindow.h"
#include "platform/tv/net/HttpClient.h"
#include "platform/tv/net/SourceChannels.h"
#include "platform/tv/stream/CaptionPacer.h"
#include "platform/tv/stream/CardSource.h"
#include "platform/tv/stream/PictureQueue.h"
#include "platform/tv/stream/SlotMap.h"
#include "platform/tv/stream/StreamAudioFeed.h"
#include "platform/tv/stream/StreamDecoder.h"
#include "platform/tv/stream/StreamOutputs.h"

namespace platform::tv {
class SoundOutput;
}

namespace platform::tv::net {

class ScanBox;

class NetworkCard final : public QObject, public TvCard {
    Q_OBJECT
  public:
    // settingsPath: the card's tvcard.ini (its slot map).
    NetworkCard(stream::CardSource source, std::string settingsPath, HttpTimeouts timeouts = {});
    ~NetworkCard() override;

    // Tests and benches run without sound; on by default.
    void setSoundEnabled(bool on) { soundEnabled_ = on; }
    // How often a failed channel or lineup is tried again (real time).
    void setRetryMs(int ms) { retryMs_ = ms; }
    void setDecoderOptions(const stream::StreamOptions& o) { options_ = o; }
    // Scans show their box by default; a test may answer for the user.
    void setScanBoxHook(std::function<void(ScanBox&)> hook) { scanBoxHook_ = std::move(hook); }

    // Sends the caption slots due and shows the picture due, as the frame
    // timer does; returns how many caption slots passed.
    int64_t pump();

    const stream::CardSource& source() const { return source_; }
    int tunedChannel() const { return tuned_; }
    bool channelsKnown() const { return channelsKnown_; }
    const std::vector<SourceChannel>& channels() const { return channels_; }
    const stream::SlotMap& slots() const { return slots_; }
    VideoWindow* videoWindow() const { return video_.data(); }
    // What the picture says now ("" when it says nothing).
    std::string notice() const;
    int64_t picturesShown() const { return picturesShown_; }
    int volume() const { return volume_; }
    int movesNoted() const { return moves_; }
    stream::CaptionPacer& pacer() { return pacer_; }
    const stream::StreamAudioFeed& soundFeed() const { return feed_; }
    // When the tuned stream's first picture is due (program clock); nothing
    // until the decoder has placed it.
    std::optional<double> streamOrigin() const { return origin_; }
    const stream::StreamDecoder& decoder() const { return *decoder_; }

    Status DVALoad(intptr_t hInstance) override;
    int32_t DVATuneChannels(int32_t zero) override;
    int32_t DVAAudioSetVolume(int32_t zero, int32_t volume) override;
    int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value) override;
    int32_t DVATuneSetChannel(int32_t zero, int16_t channel) override;
    int32_t DVATuneScan(int32_t zero, ScanCallback callback) override;
    int32_t DVAFree() override;
    HWND CreateVideoWindow(HWND parent, intptr_t hInstance, const Rect& r) override;
    AudioFeed* audioFeed() override { return &feed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The program clock as installed at each moment (tests swap it).
    class ProgramClockView final : public Clock {
      public:
        double now() const override { return programClock().now(); }
    };

    void onVideoMessage(win::UINT msg, win::WPARAM wParam, int32_t value);
    void startPicture();
    void stopAll();

    void loadChannels();
    void channelsLoaded(Result<std::vector<SourceChannel>> channels);
    void readSlots();
    void storeSlots();
    std::vector<std::string> slotKeysOf(const std::vector<std::string>& keys) const;

    const SourceChannel* channelAt(int slot) const;
    void closeStream();
    void openStream();
    void retryLater(int ms);
    void onStreamStatus(int generation, const StreamStatus& s);
    void onDecoderEvent(int generation, const stream::DecoderEvent& e);
    void setNotice(std::string text);
    void showNotice();
    void fitPicture();
    void armFrameTimer();

    std::vector<std::string> scanTuner(ScanBox& box, bool& ok);
    std::vector<std::string> scanByProbing(ScanBox& box, bool& ok);

    stream::CardSource source_;
    std::string settingsPath_;
    HttpTimeouts timeouts_;
    stream::StreamOptions options_;
    bool soundEnabled_ = true;
    int retryMs_ = 3000;
    std::function<void(ScanBox&)> scanBoxHook_;

    ProgramClockView clock_;
    std::shared_ptr<stream::PictureQueue> pictures_;
    stream::CaptionPacer pacer_;
    stream::StreamAudioFeed feed_;
    stream::StreamOutputs outputs_;
    std::unique_ptr<stream::StreamDecoder> decoder_;
    std::unique_ptr<HttpClient> http_;

    bool loaded_ = false;
    bool pictureOn_ = false;
    bool channelsKnown_ = false;
    bool loadingChannels_ = false;
    bool scanning_ = false;
    std::string channelsProblem_;  // why the channels are not known
    std::vector<SourceChannel> channels_;
    stream::SlotMap slots_;

    QTimer frameTimer_;
    QTimer retryTimer_;
    QTimer lineupRetry_;
    QPointer<VideoWindow> video_;
    std::unique_ptr<SoundOutput> sound_;

    int tuned_ = 0;
    int volume_ = 500;
    bool captionDisplay_ = false;
    int moves_ = 0;
    // Each opened stream's number: news of an earlier one is not heard.
    std::atomic<int> generation_{0};
    int httpStream_ = 0;
    bool streamEnded_ = false;  // the network said its last word on this stream
    std::string streamNotice_;  // why the picture is not there; cleared by a picture
    std::string soundNotice_;   // why there is no sound; until the next tuning
    std::string shownNotice_;
    int64_t picturesShown_ = 0;
    std::optional<double> origin_;
    stream::StreamInfo info_;
};

}  // namespace platform::tv::net
