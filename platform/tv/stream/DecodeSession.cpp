#include "platform/tv/stream/DecodeSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

extern "C" {
#include <libavutil/opt.h>
}

namespace platform::tv::stream {

namespace {

constexpr AVRational kTicks{1, static_cast<int>(StreamTimeline::kTicksPerSecond)};
// One NTSC frame, when a stream says nothing of its rate.
constexpr int64_t kDefaultFrameTicks = 3003;
// Held output is let go after this much picture even when no sound came:
// a sound track that never delivers must not keep the picture back.
constexpr int64_t kMostHeldTicks = StreamTimeline::kTicksPerSecond;
// Nothing is held longer than this while no picture comes.
constexpr int64_t kMostHeldSpanTicks = 3 * StreamTimeline::kTicksPerSecond;
// An item decoded this late has missed its moment: the stream stalled, and
// a fresh start delay is put in front of it.
constexpr double kLateSeconds = 0.1;
// Corrupt packets in a row that end a stream (a dropped packet or two is
// normal on the air).
constexpr int kMostBadPackets = 200;
// How long one wait for the clock sleeps at most, so a stop is quick.
constexpr double kMostWaitSeconds = 0.02;

bool isNetworkUrl(const std::string& url) {
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

}  // namespace

DecodeSession::DecodeSession(SessionLinks links, StreamSource source, StreamOptions options)
    : links_(links), source_(std::move(source)), options_(options) {
    // A live stream comes at its broadcaster's pace; a file at ours.
    live_ = source_.bytes != nullptr || isNetworkUrl(source_.url);
}

void DecodeSession::report(DecoderEventKind kind, std::string message) {
    if (links_.stop.load()) {
        return;
    }
    DecoderEvent e;
    e.kind = kind;
    e.info = info_;
    e.message = std::move(message);
    links_.sink.event(e);
}

void DecodeSession::fail(int code) {
    if (source_.bytes && !source_.bytes->reason().empty()) {
        report(DecoderEventKind::Failed, source_.bytes->reason());
    } else {
        report(DecoderEventKind::Failed, sourceName(source_) + ": " + ffmpegError(code));
    }
}

void DecodeSession::run() {
    if (!open()) {
        return;
    }
    report(DecoderEventKind::Opened);
    if (!info_.hasSound) {
        report(DecoderEventKind::SoundLost,
               info_.soundCodec.empty()
                   ? sourceName(source_) + " carries no sound the card can play"
                   : "The sound of " + sourceName(source_) + " (" + info_.soundCodec +
                         ") cannot be decoded");
    }
    while (loop() && restartFile()) {
    }
}

bool DecodeSession::open() {
    Result<std::unique_ptr<StreamInput>> opened = openStreamInput(source_, options_, links_.stop);
    if (!opened) {
        report(DecoderEventKind::Failed, opened.message());
        return false;
    }
    input_ = std::move(opened.value());
    AVFormatContext* fmt = input_->format.get();
    info_ = describeStreams(*fmt);
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!frame_ || !packet_) {
        report(DecoderEventKind::Failed,
               "Cannot decode " + sourceName(source_) + ": out of memory");
        return false;
    }
    if (!openPicture()) {
        return false;
    }
    openSound();
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (fmt->streams[i]->codecpar->codec_id == AV_CODEC_ID_EIA_608) {
            captionIndex_ = static_cast<int>(i);
            break;
        }
    }
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const int index = static_cast<int>(i);
        if (index != pictureIndex_ && index != soundIndex_ && index != captionIndex_) {
            fmt->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    return true;
}

CodecPtr DecodeSession::openDecoder(int index, const AVCodec* decoder, bool lowres, int& err) {
    const AVStream* stream = input_->format->streams[index];
    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec) {
        err = AVERROR(ENOMEM);
        return nullptr;
    }
    err = avcodec_parameters_to_context(codec.get(), stream->codecpar);
    codec->pkt_timebase = stream->time_base;
    // One thread: the machine is shared with the rest of the program, and
    // frame threads would hold pictures (and their captions) back.
    codec->thread_count = 1;
    codec->lowres = lowres ? 1 : 0;
    if (err >= 0) {
        err = avcodec_open2(codec.get(), decoder, nullptr);
    }
    return err < 0 ? nullptr : std::move(codec);
}

bool DecodeSession::openPicture() {
    AVFormatContext* fmt = input_->format.get();
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || decoder == nullptr) {
        report(DecoderEventKind::Failed,
               index == AVERROR_DECODER_NOT_FOUND
                   ? "The picture of " + sourceName(source_) + " cannot be decoded"
                   : sourceName(source_) + " has no picture");
        return false;
    }
    // Shown much smaller than coded, MPEG-2 decodes at half size for a
    // fraction of the cost, and still hands over every caption.
    const AVCodecParameters* par = fmt->streams[index]->codecpar;
    const bool lowres = decoder->id == AV_CODEC_ID_MPEG2VIDEO &&
                        par->width >= 2 * links_.width.load() &&
                        par->height >= 2 * links_.height.load();
    int err = 0;
    picture_ = openDecoder(index, decoder, lowres, err);
    if (!picture_) {
        report(DecoderEventKind::Failed,
               "Cannot decode the picture of " + sourceName(source_) + ": " + ffmpegError(err));
        return false;
    }
    pictureIndex_ = index;
    return true;
}

void DecodeSession::openSound() {
    if (!info_.hasSound) {
        return;
    }
    AVFormatContext* fmt = input_->format.get();
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, pictureIndex_, &decoder, 0);
    int err = 0;
    if (index >= 0 && decoder != nullptr) {
        sound_ = openDecoder(index, decoder, false, err);
    }
    if (!sound_) {
        info_.hasSound = false;
        return;
    }
    soundIndex_ = index;
    converter_ = std::make_unique<SoundConverter>(live_);
}

int64_t DecodeSession::ticksOf(int64_t timestamp, AVRational timeBase) {
    return timeline_.unwrap(av_rescale_q(timestamp, timeBase, kTicks));
}

bool DecodeSession::loop() {
    AVFormatContext* fmt = input_->format.get();
    int bad = 0;
    while (!links_.stop.load()) {
        const int err = av_read_frame(fmt, packet_.get());
        if (links_.stop.load() || err == AVERROR_EXIT) {
            return false;
        }
        if (err == AVERROR_EOF || (err < 0 && fmt->pb != nullptr && avio_feof(fmt->pb))) {
            drain();
            if (source_.bytes && !source_.bytes->reason().empty()) {
                fail(err);
                return false;
            }
            return true;  // the end: the caller loops a file or reports it
        }
        if (err < 0) {
            if (err == AVERROR_INVALIDDATA && ++bad < kMostBadPackets) {
                continue;
            }
            fail(err);
            return false;
        }
        bad = 0;
        if (packet_->stream_index == pictureIndex_) {
            decode(picture_.get(), packet_.get(), Kind::Picture);
        } else if (packet_->stream_index == soundIndex_) {
            decode(sound_.get(), packet_.get(), Kind::Sound);
        } else if (packet_->stream_index == captionIndex_) {
            onCaptionPacket(*packet_);
        }
        av_packet_unref(packet_.get());
        waitForClock();
    }
    return false;
}

bool DecodeSession::restartFile() {
    if (options_.loop && !source_.bytes && !links_.stop.load() && seekToStart()) {
        // The timestamps start again; the timeline sees the jump and goes on.
        avcodec_flush_buffers(picture_.get());
        if (sound_) {
            avcodec_flush_buffers(sound_.get());
        }
        return true;
    }
    if (!held_.empty()) {
        anchor();  // a stream shorter than its start: show what there is
    }
    report(DecoderEventKind::Ended);
    return false;
}

bool DecodeSession::seekToStart() {
    AVFormatContext* fmt = input_->format.get();
    // A transport stream seeks by timestamp only roughly (it searches the
    // file for them); its first byte is its start exactly.
    if ((fmt->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0 &&
        av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE) >= 0) {
        return true;
    }
    const int64_t start = fmt->start_time == AV_NOPTS_VALUE ? 0 : fmt->start_time;
    return avformat_seek_file(fmt, -1, INT64_MIN, start, start, 0) >= 0;
}

int DecodeSession::decode(AVCodecContext* codec, const AVPacket* packet, Kind kind) {
    // A packet the decoder refuses (damaged on the way) is skipped; the
    // next picture that can be decoded carries on.
    int err = avcodec_send_packet(codec, packet);
    if (err < 0 && err != AVERROR(EAGAIN) && err != AVERROR_EOF) {
        return err;
    }
    for (;;) {
        err = avcodec_receive_frame(codec, frame_.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) {
            return 0;
        }
        if (err < 0) {
            return err;
        }
        if (kind == Kind::Picture) {
            onPicture(*frame_);
        } else {
            onSound(*frame_);
        }
        av_frame_unref(frame_.get());
    }
}

void DecodeSession::drain() {
    decode(picture_.get(), nullptr, Kind::Picture);
    if (sound_) {
        decode(sound_.get(), nullptr, Kind::Sound);
    }
}

void DecodeSession::onPicture(const AVFrame& frame) {
    const AVStream* stream = input_->format->streams[pictureIndex_];
    Item item;
    item.kind = Kind::Picture;
    if (frame.best_effort_timestamp != AV_NOPTS_VALUE) {
        item.ticks = ticksOf(frame.best_effort_timestamp, stream->time_base);
    } else if (havePictureTicks_) {
        item.ticks = lastPictureTicks_ + lastPictureLength_;
    } else {
        return;  // nowhere to place it
    }
    item.lengthTicks =
        frame.pkt_duration > 0
            ? av_rescale_q(frame.pkt_duration, stream->time_base, kTicks)
            : (info_.frameRate > 0 ? std::llround(StreamTimeline::kTicksPerSecond / info_.frameRate)
                                   : kDefaultFrameTicks);
    havePictureTicks_ = true;
    lastPictureTicks_ = item.ticks;
    lastPictureLength_ = item.lengthTicks;

    if (captionIndex_ < 0) {
        if (const AVFrameSideData* cc = av_frame_get_side_data(&frame, AV_FRAME_DATA_A53_CC)) {
            appendField1Pairs(cc->data, cc->size, item.pairs);
        }
    }
    const int width = std::clamp(links_.width.load(), 16, 4096);
    const int height = std::clamp(links_.height.load(), 16, 4096);
    item.picture.width = width;
    item.picture.height = height;
    item.picture.pixels = links_.sink.pictureBuffer(static_cast<std::size_t>(width) *
                                                    static_cast<std::size_t>(height));
    if (!scaler_.scale(frame, width, height, item.picture.pixels)) {
        // Its captions still count.
        item.kind = Kind::Pairs;
        item.picture = {};
        if (item.pairs.empty()) {
            return;
        }
    }
    deliver(std::move(item));
}

void DecodeSession::onSound(const AVFrame& frame) {
    const AVStream* stream = input_->format->streams[soundIndex_];
    converter_->setStretch(timeline_.rate());
    int64_t delay = 0;
    if (Status s = converter_->convert(frame, converted_, delay); !s || converted_.empty()) {
        return;
    }
    const auto made = static_cast<int64_t>(converted_.size() / 2);
    Item item;
    item.kind = Kind::Sound;
    item.lengthTicks = made * StreamTimeline::kTicksPerSecond / SoundConverter::kRate;
    if (frame.best_effort_timestamp != AV_NOPTS_VALUE) {
        // Placed by its own timestamp (an encoder's priming shows there),
        // less what the converter still holds back.
        const int64_t start = ticksOf(frame.best_effort_timestamp, stream->time_base);
        const int64_t end =
            start + int64_t{frame.nb_samples} * StreamTimeline::kTicksPerSecond / frame.sample_rate;
        item.ticks = end - (made + delay) * StreamTimeline::kTicksPerSecond / SoundConverter::kRate;
    } else if (haveSoundTicks_) {
        item.ticks = soundEndTicks_;
    } else {
        return;
    }
    haveSoundTicks_ = true;
    soundEndTicks_ = item.ticks + item.lengthTicks;
    item.sound = converted_;
    deliver(std::move(item));
}

void DecodeSession::onCaptionPacket(const AVPacket& packet) {
    if (packet.pts == AV_NOPTS_VALUE) {
        return;
    }
    Item item;
    item.kind = Kind::Pairs;
    item.ticks = ticksOf(packet.pts, input_->format->streams[captionIndex_]->time_base);
    appendField1Pairs(packet.data, static_cast<std::size_t>(packet.size), item.pairs);
    if (!item.pairs.empty()) {
        deliver(std::move(item));
    }
}

void DecodeSession::deliver(Item item) {
    if (timeline_.anchored()) {
        place(item, true);
        return;
    }
    held_.push_back(std::move(item));
    // A picture that never comes must not make the held sound pile up.
    while (held_.back().ticks - held_.front().ticks > kMostHeldSpanTicks) {
        held_.pop_front();
    }
    if (ready()) {
        anchor();
    }
}

bool DecodeSession::ready() const {
    bool picture = false;
    bool sound = false;
    int64_t firstPicture = 0;
    int64_t lastPicture = 0;
    for (const Item& item : held_) {
        if (item.kind == Kind::Picture) {
            if (!picture) {
                firstPicture = item.ticks;
            }
            picture = true;
            lastPicture = item.ticks;
        } else if (item.kind == Kind::Sound) {
            sound = true;
        }
    }
    return picture && (!sound_ || sound || lastPicture - firstPicture >= kMostHeldTicks);
}

void DecodeSession::anchor() {
    // The track least far ahead gets the start delay; the other runs ahead
    // of it by as much as it came early.
    std::optional<int64_t> firstPicture;
    std::optional<int64_t> newestPicture;
    std::optional<int64_t> newestSound;
    for (const Item& item : held_) {
        if (item.kind == Kind::Picture) {
            if (!firstPicture) {
                firstPicture = item.ticks;
            }
            newestPicture = item.ticks;
        } else if (item.kind == Kind::Sound) {
            newestSound = item.ticks;
        }
    }
    if (!newestPicture && !newestSound) {
        held_.clear();  // captions alone cannot be placed
        return;
    }
    const int64_t least = newestPicture && newestSound
                              ? std::min(*newestPicture, *newestSound)
                              : (newestPicture ? *newestPicture : *newestSound);
    timeline_.anchor(least, links_.clock.now() + options_.startDelaySeconds);
    if (firstPicture) {
        const double origin = timeline_.map(*firstPicture);
        links_.sink.anchored(origin);
        if (!links_.stop.load()) {
            DecoderEvent e;
            e.kind = DecoderEventKind::Anchored;
            e.info = info_;
            e.due = origin;
            links_.sink.event(e);
        }
    }
    // What was held is placed as it stands: it is not late, it waited.
    while (!held_.empty()) {
        Item item = std::move(held_.front());
        held_.pop_front();
        place(item, false);
    }
}

double DecodeSession::placed(StreamTimeline::Track track, int64_t ticks, int64_t lengthTicks,
                             bool checkLate) {
    double due = timeline_.due(track, ticks, lengthTicks);
    const double now = links_.clock.now();
    if (checkLate && due < now - kLateSeconds) {
        // Stalled and back: start a fresh buffer rather than stay behind.
        const double shift = now + options_.startDelaySeconds - due;
        timeline_.shift(shift);
        due += shift;
    }
    return due;
}

void DecodeSession::place(Item& item, bool checkLate) {
    switch (item.kind) {
        case Kind::Picture: {
            const double due =
                placed(StreamTimeline::Track::Picture, item.ticks, item.lengthTicks, checkLate);
            for (const LinePair& pair : item.pairs) {
                links_.sink.captionPair(due, pair);
            }
            links_.pairs += static_cast<int64_t>(item.pairs.size());
            item.picture.due = due;
            links_.sink.picture(std::move(item.picture));
            ++links_.pictures;
            pictureDue_ = due;
            newestDue_ = std::max(newestDue_, due);
            if (live_) {
                timeline_.follow(links_.clock.now(), due);
            }
            break;
        }
        case Kind::Sound: {
            const double due =
                placed(StreamTimeline::Track::Sound, item.ticks, item.lengthTicks, checkLate);
            const std::size_t frames = item.sound.size() / 2;
            links_.sink.sound(due, item.sound.data(), frames);
            newestDue_ =
                std::max(newestDue_, due + static_cast<double>(frames) / SoundConverter::kRate);
            break;
        }
        case Kind::Pairs: {
            const double due = timeline_.map(item.ticks);
            for (const LinePair& pair : item.pairs) {
                links_.sink.captionPair(due, pair);
            }
            links_.pairs += static_cast<int64_t>(item.pairs.size());
            break;
        }
    }
}

void DecodeSession::waitForClock() {
    if (!timeline_.anchored()) {
        return;
    }
    for (;;) {
        if (links_.stop.load()) {
            return;
        }
        const double over = newestDue_ - (links_.clock.now() + options_.aheadSeconds);
        if (over <= 0) {
            return;
        }
        std::this_thread::sleep_for(
            std::chrono::duration<double>(std::min(over, kMostWaitSeconds)));
    }
}

}  // namespace platform::tv::stream
