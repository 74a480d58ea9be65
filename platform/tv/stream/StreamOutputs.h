#pragma once
// The sink a card gives its decoder: pictures into the picture queue, caption
// pairs into the pacer, sound into the feed, events to a handler. The three
// outputs outlive any one stream; reset() readies them for the next.
//
// A card wires the engine like this (clock: platform::programClock()):
//   PictureQueue pictures(clock);  CaptionPacer pacer(clock);  StreamAudioFeed feed;
//   StreamOutputs outputs(pictures, pacer, feed);  StreamDecoder decoder(clock, outputs);
// To tune: decoder.close(); outputs.reset(clock.now()); decoder.open(source, options).
// On its own thread, from a timer: pacer.pump() sends the caption messages,
// pictures.takeDue() gives the picture to paint; &feed is its audioFeed().
#include <functional>

#include "platform/tv/stream/CaptionPacer.h"
#include "platform/tv/stream/PictureQueue.h"
#include "platform/tv/stream/StreamAudioFeed.h"
#include "platform/tv/stream/StreamSink.h"

namespace platform::tv::stream {

class StreamOutputs final : public StreamSink {
  public:
    // Called on the decoder's thread: hand it over to the card's own thread.
    using EventHandler = std::function<void(const DecoderEvent&)>;

    StreamOutputs(PictureQueue& pictures, CaptionPacer& pacer, StreamAudioFeed& feed)
        : pictures_(pictures), pacer_(pacer), feed_(feed) {}

    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }

    // A tuning at time now: pictures dropped, the pacer stopped, the sound
    // from now on silent. Call while no decoder runs into these outputs.
    void reset(double now);

    void event(const DecoderEvent& e) override;
    void anchored(double origin) override { pacer_.start(origin); }
    void picture(VideoPicture picture) override { pictures_.push(std::move(picture)); }
    void captionPair(double due, LinePair pair) override { pacer_.push(due, pair); }
    void sound(double due, const float* stereo, std::size_t frames) override {
        feed_.write(due, stereo, frames);
    }
    std::vector<uint32_t> pictureBuffer(std::size_t pixels) override {
        return pictures_.buffer(pixels);
    }

  private:
    PictureQueue& pictures_;
    CaptionPacer& pacer_;
    StreamAudioFeed& feed_;
    EventHandler handler_;
};

}  // namespace platform::tv::stream
