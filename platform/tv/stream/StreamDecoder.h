#pragma once
// Decodes one stream at a time on a worker thread of its own: demuxes it
// (libavformat), decodes every picture (never skipping one: a skipped frame
// loses its captions), scales it to the size asked for (libswscale, RGB32),
// takes each picture's field-1 caption pairs (or an eia_608 track's), decodes
// the sound (MPEG audio, AC-3, E-AC-3, AAC) down to 48 kHz stereo
// (libswresample), and places all of it on the program clock through a
// StreamTimeline, into a StreamSink.
//
// The decoder runs ahead of the program clock by at most `ahead` seconds of
// stream and then waits for the clock, so its output is buffered by time,
// not size: memory stays flat over hours whoever drains it. A live stream
// that arrives at its broadcaster's rate is followed gently (see
// StreamTimeline); a file is read as fast as the clock allows.
//
// open() and close() come from one controlling thread (the card's); the
// sink is called on the worker thread only, and never after close() returns.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/core/Clock.h"
#include "platform/tv/stream/ByteSource.h"
#include "platform/tv/stream/StreamSink.h"

namespace platform::tv::stream {

struct StreamOptions {
    // How far ahead of the program clock decoded output may run.
    double aheadSeconds = 1.0;
    // The first picture is due this long after the stream is ready (every
    // track has something decoded), so that a live stream's jitter and the
    // way its tracks interleave are absorbed.
    double startDelaySeconds = 0.4;
    // Probing kept small: a stream that starts with PAT/PMT and an I-frame
    // opens in about a quarter of a second.
    int64_t analyzeDurationMicros = 100000;
    int64_t probeSizeBytes = 500000;
    // The picture's size to begin with: open() sets it, setPictureSize()
    // changes it while the stream plays.
    int pictureWidth = 640;
    int pictureHeight = 480;
    // A file starts again at its end, the timeline going on without a gap.
    bool loop = false;
};

// What to open: bytes the card fetches itself, or a path or URL that
// libavformat opens (recordings, HLS playlists whose segments it fetches).
struct StreamSource {
    std::shared_ptr<ByteSource> bytes;  // used when set
    std::string url;                    // otherwise
    std::string name;                   // for messages: "2.1", "news.ts"
};

class StreamDecoder {
  public:
    StreamDecoder(const Clock& clock, StreamSink& sink);
    ~StreamDecoder();  // closes

    // Closes any stream being decoded, then starts decoding this one. Errors
    // (cannot open, no picture) arrive as a Failed event, not here.
    void open(StreamSource source, const StreamOptions& options);
    // Stops the worker (cancelling a byte source's read and any network wait)
    // and waits for it. Nothing more reaches the sink after this returns.
    void close();
    bool isOpen() const { return worker_.joinable(); }

    // Any thread: pictures from the next one on come in this size.
    void setPictureSize(int width, int height);

    // Decoder's figures, readable from any thread.
    int64_t picturesDecoded() const { return pictures_.load(); }
    int64_t pairsDelivered() const { return pairs_.load(); }

    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

  private:
    void run(StreamSource source, StreamOptions options);

    const Clock& clock_;
    StreamSink& sink_;
    std::thread worker_;
    std::shared_ptr<ByteSource> bytes_;
    std::atomic<bool> stop_{false};
    std::atomic<int> width_{640};
    std::atomic<int> height_{480};
    std::atomic<int64_t> pictures_{0};
    std::atomic<int64_t> pairs_{0};
};

}  // namespace platform::tv::stream
