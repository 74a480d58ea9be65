#include "platform/tv/net/NetworkCard.h"

#include <QEvent>
#include <QImage>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <set>

#include "platform/core/ProfileFile.h"
#include "platform/core/WholeFile.h"
#include "platform/tv/SoundOutput.h"
#include "platform/tv/VideoWindow.h"
#include "platform/tv/net/ProbeScan.h"
#include "platform/tv/net/ScanBox.h"
#include "platform/tv/net/TunerMessages.h"
#include "platform/tv/net/TunerScan.h"
#include "platform/tv/stream/M3uPlaylist.h"
#include "platform/win/WinQt.h"

namespace platform::tv::net {
namespace {

constexpr int kChannelCount = 125;
constexpr int32_t kCaptionTargetValue = 123;
// The frame timer wakes at least this often, to notice new pictures.
constexpr double kLongestWaitSeconds = 0.05;
// The slot map belongs to the source it was made for.
constexpr const char* kSlotsOfKey = "SlotsOf";
constexpr const char* kProtected = "This channel is copy-protected";

bool isHttp(const std::string& url) {
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

// An HLS playlist: libavformat fetches its segments itself.
bool isHls(const std::string& url) {
    const std::string path = url.substr(0, url.find('?'));
    return path.size() >= 5 && (path.compare(path.size() - 5, 5, ".m3u8") == 0 ||
                                path.compare(path.size() - 4, 4, ".m3u") == 0);
}

// A decoded picture's pixels stay with the QImage showing them; when it goes
// they return to the queue for the decoder to fill again.
struct PictureLoan {
    stream::VideoPicture picture;
    std::weak_ptr<stream::PictureQueue> home;
};

void returnPicture(void* info) {
    auto* loan = static_cast<PictureLoan*>(info);
    if (std::shared_ptr<stream::PictureQueue> q = loan->home.lock()) {
        q->recycle(std::move(loan->picture));
    }
    delete loan;
}

QImage imageOf(stream::VideoPicture picture, const std::shared_ptr<stream::PictureQueue>& home) {
    auto* loan = new PictureLoan{std::move(picture), home};
    const stream::VideoPicture& p = loan->picture;
    return QImage(reinterpret_cast<const uchar*>(p.pixels.data()), p.width, p.height,
                  static_cast<qsizetype>(p.width) * 4, QImage::Format_RGB32, &returnPicture, loan);
}

}  // namespace

NetworkCard::NetworkCard(stream::CardSource source, std::string settingsPath, HttpTimeouts timeouts)
    : source_(std::move(source)),
      settingsPath_(std::move(settingsPath)),
      timeouts_(timeouts),
      pictures_(std::make_shared<stream::PictureQueue>(clock_)),
      pacer_(clock_),
      outputs_(*pictures_, pacer_, feed_),
      decoder_(std::make_unique<stream::StreamDecoder>(clock_, outputs_)) {
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        pump();
        armFrameTimer();
    });
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, [this] {
        closeStream();
        openStream();
    });
    lineupRetry_.setSingleShot(true);
    connect(&lineupRetry_, &QTimer::timeout, this, &NetworkCard::loadChannels);
    pacer_.setSlotSink([this](int64_t, double, stream::LinePair pair) {
        if (video_) {
            video_->captionPair(pair.first, pair.second);
        }
    });
    // The decoder's news is told on its own thread: it is heard on this one.
    outputs_.setEventHandler([this](const stream::DecoderEvent& e) {
        const int generation = generation_.load();
        QMetaObject::invokeMethod(
            this, [this, generation, e] { onDecoderEvent(generation, e); }, Qt::QueuedConnection);
    });
}

NetworkCard::~NetworkCard() {
    stopAll();
    decoder_.reset();
    http_.reset();
    if (video_) {
        video_->removeEventFilter(this);
        video_->setMessageHandler(nullptr);
        video_->setPictureOn(false);
    }
}

Status NetworkCard::DVALoad(intptr_t) {
    if (source_.kind == stream::SourceKind::Simulated) {
        return Error{"The network card needs a source: a tuner, a playlist or a folder"};
    }
    if (!http_) {
        http_ = std::make_unique<HttpClient>(timeouts_, this);
    }
    readSlots();
    loaded_ = true;
    tuned_ = 0;
    loadChannels();
    return {};
}

int32_t NetworkCard::DVATuneChannels(int32_t) {
    return kChannelCount << 16;
}

int32_t NetworkCard::DVAAudioSetVolume(int32_t, int32_t volume) {
    volume_ = std::clamp(volume, 0, 1000);
    if (sound_) {
        sound_->setGain(volume_ / 500.0);
    }
    return 1;
}

int32_t NetworkCard::DVASetProperty(int32_t, int32_t property, int32_t value) {
    if (property == kPropCaptionDisplay) {
        captionDisplay_ = value != 0;
        if (video_) {
            video_->setCaptionDisplay(captionDisplay_);
        }
    }
    return 1;
}

int32_t NetworkCard::DVATuneSetChannel(int32_t, int16_t channel) {
    closeStream();
    tuned_ = channel;
    streamNotice_.clear();
    soundNotice_.clear();
    if (video_) {
        video_->clearLive();
        const SourceChannel* c = channelAt(channel);
        const std::string label = c != nullptr ? tuningLabel(channel, *c) : std::to_string(channel);
        video_->showLabel(QString::fromStdString(label), clock_.now());
        std::cerr << "TV card: " << label << "\n";
    }
    openStream();
    showNotice();
    return 1;
}

int32_t NetworkCard::DVAFree() {
    stopAll();
    lineupRetry_.stop();
    loaded_ = false;
    channelsKnown_ = false;
    loadingChannels_ = false;
    channels_.clear();
    http_.reset();
    if (video_) {
        video_->clearLive();
    }
    return 1;
}

HWND NetworkCard::CreateVideoWindow(HWND parent, intptr_t, const Rect& r) {
    QWidget* parentWidget = win::widgetFor(parent);
    if (parentWidget == nullptr) {
        return 0;
    }
    auto* video = new VideoWindow(parentWidget);
    video->setGeometry(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
    video->setMessageHandler(
        [this](win::UINT msg, win::WPARAM w, int32_t value) { onVideoMessage(msg, w, value); });
    video->setLive(true);
    video->setCaptionDisplay(captionDisplay_);
    video->installEventFilter(this);
    video->show();
    video_ = video;
    showNotice();
    return win::registerWidget(video);
}

bool NetworkCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == video_.data() && event->type() == QEvent::Resize) {
        fitPicture();
    }
    return false;
}

void NetworkCard::onVideoMessage(win::UINT msg, win::WPARAM wParam, int32_t value) {
    switch (msg) {
        case kMsgStartPicture:
            startPicture();
            break;
        case kMsgCaptionTarget:
            if (value == kCaptionTargetValue && loaded_) {
                pacer_.setTarget(wParam);
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

void NetworkCard::startPicture() {
    if (!loaded_ || pictureOn_) {
        return;
    }
    pictureOn_ = true;
    if (video_) {
        video_->setPictureOn(true);
        video_->setLive(true);
    }
    if (soundEnabled_ && !sound_) {
        sound_ = std::make_unique<SoundOutput>(feed_);
        sound_->setGain(volume_ / 500.0);
        if (!sound_->start()) {
            sound_.reset();
        }
    }
    if (tuned_ != 0) {
        openStream();
    }
    armFrameTimer();
}

void NetworkCard::stopAll() {
    pictureOn_ = false;
    closeStream();
    frameTimer_.stop();
    pacer_.setTarget(0);
    sound_.reset();
    if (video_) {
        video_->setPictureOn(false);
        video_->setSavingMark(false);
    }
}

// ---- Channels and slots

void NetworkCard::loadChannels() {
    if (!loaded_ || loadingChannels_) {
        return;
    }
    const std::string& where = source_.location;
    if (source_.kind == stream::SourceKind::Folder) {
        channelsLoaded(channelsOfFolder(where));
        return;
    }
    if (source_.kind == stream::SourceKind::Playlist && !isHttp(where)) {
        Result<FileRead> file = readWholeFile(where);
        if (!file) {
            channelsLoaded(Error{file.message()});
        } else if (!file.value().exists) {
            channelsLoaded(Error{"No playlist at '" + where + "'"});
        } else {
            Result<stream::Playlist> list = stream::parseM3u(file.value().contents, where);
            channelsLoaded(
                list ? Result<std::vector<SourceChannel>>(channelsOfPlaylist(list.value()))
                     : Error{list.message()});
        }
        return;
    }
    const bool tuner = source_.kind == stream::SourceKind::Tuner;
    const std::string url = tuner ? where + "/lineup.json" : where;
    const std::string host =
        tuner ? source_.host : QUrl(QString::fromStdString(where)).host().toStdString();
    loadingChannels_ = true;
    http_->fetch(QUrl(QString::fromStdString(url)), [this, tuner, host, where](const HttpReply& r) {
        loadingChannels_ = false;
        if (r.status == 0) {
            channelsLoaded(Error{notReachable(host)});
        } else if (r.status != 200) {
            channelsLoaded(Error{(tuner ? "The tuner's lineup: HTTP " : "The playlist: HTTP ") +
                                 std::to_string(r.status)});
        } else if (tuner) {
            Result<stream::Lineup> lineup = stream::parseLineup(r.body);
            channelsLoaded(
                lineup ? Result<std::vector<SourceChannel>>(channelsOfLineup(lineup.value()))
                       : Error{lineup.message()});
        } else {
            Result<stream::Playlist> list = stream::parseM3u(r.body, where);
            channelsLoaded(
                list ? Result<std::vector<SourceChannel>>(channelsOfPlaylist(list.value()))
                     : Error{list.message()});
        }
    });
}

void NetworkCard::channelsLoaded(Result<std::vector<SourceChannel>> channels) {
    if (!loaded_) {
        return;
    }
    if (!channels) {
        channelsProblem_ = channels.message();
        if (pictureOn_ && tuned_ != 0) {
            setNotice(channelsProblem_);
        }
        // The source may come back (a tuner switched on, a share mounted).
        lineupRetry_.start(retryMs_);
        return;
    }
    channels_ = std::move(channels.value());
    channelsKnown_ = true;
    channelsProblem_.clear();
    if (slots_.empty()) {
        // Numbered at once, as a first scan would, so that the channels can
        // be watched before any scan.
        slots_.assign(slotKeysOf(keysOf(channels_)));
        storeSlots();
    }
    if (pictureOn_ && tuned_ != 0 && !decoder_->isOpen()) {
        if (video_) {
            if (const SourceChannel* c = channelAt(tuned_)) {
                video_->showLabel(QString::fromStdString(tuningLabel(tuned_, *c)), clock_.now());
            }
        }
        openStream();
        showNotice();
    }
}

std::vector<std::string> NetworkCard::slotKeysOf(const std::vector<std::string>& keys) const {
    std::vector<std::string> out;
    for (const std::string& k : keys) {
        const SourceChannel* c = findChannel(channels_, k);
        if (c == nullptr || !c->drm) {
            out.push_back(k);
        }
    }
    return out;
}

void NetworkCard::readSlots() {
    slots_ = stream::SlotMap();
    const std::string owner = GetPrivateProfileStringA("card", kSlotsOfKey, "", settingsPath_);
    if (owner != stream::formatCardSource(source_)) {
        return;  // made for another source, or never made
    }
    Result<stream::SlotMap> read = stream::SlotMap::read(settingsPath_);
    if (!read) {
        std::cerr << read.message() << "\n";
        return;
    }
    slots_ = std::move(read.value());
}

void NetworkCard::storeSlots() {
    Status s = slots_.write(settingsPath_);
    if (s) {
        s = WritePrivateProfileStringA("card", kSlotsOfKey, stream::formatCardSource(source_),
                                       settingsPath_);
    }
    if (!s) {
        std::cerr << "The channel slots could not be kept: " << s.message() << "\n";
    }
}

const SourceChannel* NetworkCard::channelAt(int slot) const {
    if (slot < 1 || slot > kChannelCount || !channelsKnown_) {
        return nullptr;
    }
    const std::string& key = slots_.keyAt(slot);
    return key.empty() ? nullptr : findChannel(channels_, key);
}

// ---- The stream

void NetworkCard::closeStream() {
    retryTimer_.stop();
    decoder_->close();
    if (httpStream_ != 0 && http_) {
        http_->cancel(httpStream_);
    }
    httpStream_ = 0;
    ++generation_;
    origin_.reset();
    outputs_.reset(clock_.now());
}

void NetworkCard::openStream() {
    // While scanning, the tuners are the scan's.
    if (!pictureOn_ || !loaded_ || tuned_ == 0 || scanning_) {
        return;
    }
    if (!channelsKnown_) {
        // Opened when the channels arrive.
        if (!channelsProblem_.empty()) {
            setNotice(channelsProblem_);
        }
        return;
    }
    const SourceChannel* c = channelAt(tuned_);
    if (c == nullptr) {
        setNotice(kNoSuchChannel);
        return;
    }
    if (c->drm) {
        setNotice(kProtected);
        return;
    }
    closeStream();
    const int generation = generation_.load();
    streamEnded_ = false;
    stream::StreamSource source;
    source.name = c->key;
    stream::StreamOptions options = options_;
    const bool tuner = source_.kind == stream::SourceKind::Tuner;
    if (tuner || (isHttp(c->url) && !isHls(c->url))) {
        // Fetched here, so that the tuner's answer is seen as it is.
        auto bytes = std::make_shared<stream::ByteQueue>();
        httpStream_ = http_->openStream(
            QUrl(QString::fromStdString(c->url)), bytes,
            [this, generation](const StreamStatus& s) { onStreamStatus(generation, s); });
        source.bytes = std::move(bytes);
    } else {
        source.url = c->url;
        options.loop = source_.kind == stream::SourceKind::Folder;
    }
    fitPicture();
    decoder_->open(std::move(source), options);
    armFrameTimer();
}

void NetworkCard::retryLater(int ms) {
    retryTimer_.start(ms);
}

void NetworkCard::onStreamStatus(int generation, const StreamStatus& s) {
    if (generation != generation_.load()) {
        return;
    }
    switch (s.state) {
        case StreamState::Connected:
            break;
        case StreamState::NoSignal:
            setNotice(kNoSignal);
            break;
        case StreamState::Flowing:
            setNotice({});
            break;
        case StreamState::Refused:
            streamEnded_ = true;
            setNotice(streamRefused(s.status, s.tunerError));
            if (s.status != 404) {
                retryLater(retryMs_);  // a tuner may come free
            }
            break;
        case StreamState::Unreachable: {
            streamEnded_ = true;
            const SourceChannel* c = channelAt(tuned_);
            const std::string host =
                source_.kind == stream::SourceKind::Tuner || c == nullptr
                    ? source_.host
                    : QUrl(QString::fromStdString(c->url)).host().toStdString();
            setNotice(notReachable(host));
            retryLater(retryMs_);
            break;
        }
        case StreamState::Stalled:
        case StreamState::Ended:
            streamEnded_ = true;
            setNotice(kSignalLost);
            retryLater(std::min(retryMs_, 500));
            break;
    }
}

void NetworkCard::onDecoderEvent(int generation, const stream::DecoderEvent& e) {
    if (generation != generation_.load()) {
        return;
    }
    switch (e.kind) {
        case stream::DecoderEventKind::Opened:
            info_ = e.info;
            fitPicture();
            break;
        case stream::DecoderEventKind::SoundLost:
            soundNotice_ = e.message;
            showNotice();
            break;
        case stream::DecoderEventKind::Anchored:
            origin_ = e.due;
            armFrameTimer();
            break;
        case stream::DecoderEventKind::Ended:
            if (httpStream_ == 0) {
                setNotice(kSignalLost);
                retryLater(std::min(retryMs_, 1000));
            }
            break;
        case stream::DecoderEventKind::Failed:
            if (streamEnded_) {
                break;  // the network said why already
            }
            setNotice(e.message);
            if (source_.kind != stream::SourceKind::Folder) {
                retryLater(retryMs_);
            }
            break;
    }
}

void NetworkCard::setNotice(std::string text) {
    streamNotice_ = std::move(text);
    showNotice();
}

void NetworkCard::showNotice() {
    const std::string text = notice();
    if (text != shownNotice_) {
        shownNotice_ = text;
        // What the picture says goes to standard error too, as the station
        // loader's complaints do.
        if (!text.empty()) {
            std::cerr << "TV card: " << text << "\n";
        }
    }
    if (video_) {
        video_->setNotice(QString::fromStdString(text));
    }
}

std::string NetworkCard::notice() const {
    return streamNotice_.empty() ? soundNotice_ : streamNotice_;
}

void NetworkCard::fitPicture() {
    if (!video_) {
        return;
    }
    const int w = std::max(2, video_->width());
    const int h = std::max(2, video_->height());
    const int iw = info_.width > 0 ? info_.width : 16;
    const int ih = info_.height > 0 ? info_.height : 9;
    const QSize fit = QSize(iw, ih).scaled(w, h, Qt::KeepAspectRatio);
    // Even sizes suit the scaler's chroma.
    decoder_->setPictureSize(std::max(2, fit.width() & ~1), std::max(2, fit.height() & ~1));
}

int64_t NetworkCard::pump() {
    const int64_t slots = pacer_.pump();
    if (std::optional<stream::VideoPicture> picture = pictures_->takeDue()) {
        ++picturesShown_;
        if (video_) {
            video_->showFrame(imageOf(std::move(*picture), pictures_));
        } else {
            pictures_->recycle(std::move(*picture));
        }
        if (!streamNotice_.empty() && !streamEnded_) {
            setNotice({});  // pictures again: whatever was wrong is over
        }
    }
    return slots;
}

void NetworkCard::armFrameTimer() {
    if (!pictureOn_) {
        frameTimer_.stop();
        return;
    }
    const double now = clock_.now();
    double next = now + kLongestWaitSeconds;
    if (pacer_.running()) {
        next = std::min(next, pacer_.nextDue());
    }
    if (const std::optional<double> due = pictures_->nextDue()) {
        next = std::min(next, *due);
    }
    frameTimer_.start(static_cast<int>(std::clamp(std::ceil((next - now) * 1000.0), 0.0, 50.0)));
}

// ---- Scanning

int32_t NetworkCard::DVATuneScan(int32_t, ScanCallback callback) {
    if (callback == nullptr || !loaded_) {
        return 0;
    }
    // The tuner scans with its own tuners: the one watched is given back.
    closeStream();
    scanning_ = true;
    ScanBox box(video_ ? video_->window() : nullptr);
    if (scanBoxHook_) {
        scanBoxHook_(box);
    }
    bool ok = true;
    const std::vector<std::string> found =
        source_.kind == stream::SourceKind::Tuner ? scanTuner(box, ok) : scanByProbing(box, ok);
    std::set<int> foundSlots;
    if (ok) {
        const stream::SlotMap::ScanResult result = slots_.assign(slotKeysOf(found));
        foundSlots.insert(result.found.begin(), result.found.end());
        storeSlots();
        for (const std::string& left : result.leftOut) {
            std::cerr << "No channel slot left for " << left << "\n";
        }
    } else {
        // A scan that failed finds nothing new and loses nothing: the
        // channels known before are reported as they were.
        for (int slot = 1; slot <= kChannelCount; ++slot) {
            if (!slots_.keyAt(slot).empty()) {
                foundSlots.insert(slot);
            }
        }
    }
    scanning_ = false;
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        callback(ch, 0, foundSlots.count(ch) != 0 ? 1 : 0);
    }
    openStream();
    return 1;
}

std::vector<std::string> NetworkCard::scanTuner(ScanBox& box, bool& ok) {
    std::vector<std::string> found;
    box.setStatus(
        QStringLiteral("Scanning the channels of %1...").arg(QString::fromStdString(source_.host)));
    TunerScan::Listener listener;
    listener.progress = [&box](int percent, int count) { box.setProgress(percent, count); };
    listener.done = [&](Result<stream::Lineup> lineup) {
        if (lineup) {
            channels_ = channelsOfLineup(lineup.value());
            channelsKnown_ = true;
            channelsProblem_.clear();
            found = keysOf(channels_);
        } else {
            ok = false;
            setNotice(lineup.message());
        }
        box.finish();
    };
    TunerScan scan(*http_, source_.location, source_.host, std::move(listener));
    box.setCancelHandler([&scan] { scan.abort(); });
    scan.start();
    box.runUntilFinished();
    box.setCancelHandler(nullptr);
    return found;
}

std::vector<std::string> NetworkCard::scanByProbing(ScanBox& box, bool& ok) {
    std::vector<std::string> found;
    box.setStatus(QStringLiteral("Opening each channel..."));
    if (!channelsKnown_ && source_.kind == stream::SourceKind::Folder) {
        channelsLoaded(channelsOfFolder(source_.location));
    }
    if (!channelsKnown_) {
        ok = false;
        setNotice(channelsProblem_.empty() ? "The channels are still being read"
                                           : channelsProblem_);
        return found;
    }
    ProbeScan::Listener listener;
    listener.progress = [&box](int percent, int count) { box.setProgress(percent, count); };
    listener.done = [&](std::vector<std::string> keys) {
        found = std::move(keys);
        box.finish();
    };
    ProbeScan probe(channels_, options_, std::move(listener));
    box.setCancelHandler([&probe] { probe.cancel(); });
    probe.start();
    box.runUntilFinished();
    box.setCancelHandler(nullptr);
    return found;
}

}  // namespace platform::tv::net
