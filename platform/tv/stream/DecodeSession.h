#pragma once
// One opened stream being decoded, on the decoder's worker thread: the
// demux and decode loop, and the placing of its output on the program clock.
//
// Until the stream is ready (a picture decoded, and some sound too when it
// has a sound track) its output is held; then the timeline is anchored so
// that the track least far ahead is startDelay ahead of the clock, and
// everything held goes out. From then on each item goes out as it is
// decoded, and the loop waits whenever its newest item is more than `ahead`
// ahead of the clock.
#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/tv/stream/FfmpegHandles.h"
#include "platform/tv/stream/PictureScaler.h"
#include "platform/tv/stream/SoundConverter.h"
#include "platform/tv/stream/StreamDecoder.h"
#include "platform/tv/stream/StreamInput.h"
#include "platform/tv/stream/StreamTimeline.h"

namespace platform::tv::stream {

// What the session shares with the StreamDecoder that runs it.
struct SessionLinks {
    const Clock& clock;
    StreamSink& sink;
    const std::atomic<bool>& stop;
    const std::atomic<int>& width;
    const std::atomic<int>& height;
    std::atomic<int64_t>& pictures;
    std::atomic<int64_t>& pairs;
};

class DecodeSession {
  public:
    DecodeSession(SessionLinks links, StreamSource source, StreamOptions options);
    // Opens, decodes until the end, a failure or a stop, and reports each
    // through the sink's events (nothing at all after a stop).
    void run();

  private:
    enum class Kind { Picture = 1, Sound, Pairs };
    // Decoded output with its stream time, before it is placed.
    struct Item {
        Kind kind = Kind::Picture;
        int64_t ticks = 0;
        int64_t lengthTicks = 0;
        VideoPicture picture;
        std::vector<LinePair> pairs;
        std::vector<float> sound;
    };

    bool open();
    CodecPtr openDecoder(int index, const AVCodec* decoder, bool lowres, int& err);
    bool openPicture();
    void openSound();
    bool loop();
    bool restartFile();
    bool seekToStart();
    int decode(AVCodecContext* codec, const AVPacket* packet, Kind kind);
    void drain();
    void onPicture(const AVFrame& frame);
    void onSound(const AVFrame& frame);
    void onCaptionPacket(const AVPacket& packet);
    int64_t ticksOf(int64_t timestamp, AVRational timeBase);

    void deliver(Item item);
    bool ready() const;
    void anchor();
    // checkLate: an item decoded past its moment restarts the buffer.
    void place(Item& item, bool checkLate);
    double placed(StreamTimeline::Track track, int64_t ticks, int64_t lengthTicks, bool checkLate);
    void waitForClock();
    void report(DecoderEventKind kind, std::string message = {});
    void fail(int code);

    SessionLinks links_;
    StreamSource source_;
    StreamOptions options_;
    bool live_ = false;
    StreamInfo info_;

    std::unique_ptr<StreamInput> input_;
    CodecPtr picture_;
    CodecPtr sound_;
    int pictureIndex_ = -1;
    int soundIndex_ = -1;
    int captionIndex_ = -1;  // an eia_608 track, which then carries the pairs
    FramePtr frame_;
    PacketPtr packet_;
    PictureScaler scaler_;
    std::unique_ptr<SoundConverter> converter_;
    std::vector<float> converted_;
    std::vector<LinePair> framePairs_;

    StreamTimeline timeline_;
    std::deque<Item> held_;  // decoded before the stream was ready
    int64_t lastPictureTicks_ = 0;
    int64_t lastPictureLength_ = 0;
    bool havePictureTicks_ = false;
    int64_t soundEndTicks_ = 0;
    bool haveSoundTicks_ = false;
    double newestDue_ = 0.0;
    double pictureDue_ = 0.0;  // the newest picture's, for following the clock
};

}  // namespace platform::tv::stream
