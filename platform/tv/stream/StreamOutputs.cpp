#include "platform/tv/stream/StreamOutputs.h"

namespace platform::tv::stream {

void StreamOutputs::reset(double now) {
    pictures_.clear();
    pacer_.stop();
    feed_.cut(now);
}

void StreamOutputs::event(const DecoderEvent& e) {
    if (e.kind == DecoderEventKind::SoundLost) {
        feed_.setLost(e.message);
    }
    if (handler_) {
        handler_(e);
    }
}

}  // namespace platform::tv::stream
