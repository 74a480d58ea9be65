#include "platform/sound/WaveDevice.h"

#include <unistd.h>

#include "platform/sound/MciErrors.h"

namespace platform::sound {

namespace {
MciReply fail(uint32_t code, const std::string& detail = {}) {
    return {code, detail.empty() ? mciErrorText(code) : detail};
}
}  // namespace

class WaveDevice::Sink final : public FrameSink {
  public:
    explicit Sink(TempWavFile& f) : file_(f) {}
    Status frames(const float* data, std::size_t n) override { return file_.append(data, n); }

  private:
    TempWavFile& file_;
};

WaveDevice::~WaveDevice() {
    close();
}

MciReply WaveDevice::setFormat(const WaveFormat& f) {
    if (recording()) {
        return fail(kMciNonapplicableFunction,
                    "The format cannot change while recording: stop the recording first");
    }
    if (Status s = checkSupported(f); !s) {
        return fail(kMciWaveInputsUnsuitable, s.message());
    }
    format_ = f;
    return {};
}

MciReply WaveDevice::record(std::unique_ptr<WaveInput> input, double startTime) {
    endCapture(false);
    file_.reset();
    savedPath_.clear();
    keptPath_.clear();  // a recording kept after a failed save stays on disk
    captureError_ = Status{};
    lost_.clear();

    auto file = TempWavFile::create(format_);
    if (!file) {
        return fail(kMciFileNotSaved, file.message());
    }
    if (Status s = input->start(format_, startTime); !s) {
        return fail(kMciHardware, "The wave input cannot start: " + s.message());
    }
    file_ = std::move(file.value());
    input_ = std::move(input);
    return {};
}

void WaveDevice::pump() {
    if (!input_ || !file_ || !captureError_) {
        return;
    }
    Sink sink(*file_);
    if (Status s = input_->read(sink); !s) {
        captureError_ = s;
    }
}

void WaveDevice::endCapture(bool keep) {
    if (!input_) {
        return;
    }
    if (keep) {
        pump();  // whatever arrived since the last timer tick belongs to the recording
    }
    input_->stop();
    lost_ = input_->lostReason();
    input_.reset();
}

MciReply WaveDevice::stop() {
    endCapture(true);
    return {};
}

MciReply WaveDevice::save(const std::string& path) {
    endCapture(true);
    if (file_) {
        Status finished = file_->finish();
        if (!finished || !captureError_) {
            const std::string& why = !captureError_ ? captureError_.message() : finished.message();
            keptPath_ = file_->path();
            file_.reset();
            return fail(kMciFileNotSaved, why + "; what was recorded is in '" + keptPath_ + "'");
        }
        keptPath_ = file_->path();
        file_.reset();
    }
    if (!keptPath_.empty()) {
        if (Status s = moveFile(keptPath_, path); !s) {
            return fail(kMciFileNotSaved,
                        s.message() + "; the recording is kept in '" + keptPath_ + "'");
        }
        keptPath_.clear();
        savedPath_ = path;
    } else if (!savedPath_.empty()) {
        // Saved once already: the saved file is the recording.
        if (path != savedPath_) {
            if (Status s = copyFile(savedPath_, path); !s) {
                return fail(kMciFileNotSaved, s.message());
            }
        }
    } else {
        return fail(kMciNonapplicableFunction,
                    "Nothing has been recorded yet: there is nothing to save");
    }
    if (!lost_.empty()) {
        return {0, "input lost: " + lost_};
    }
    return {};
}

void WaveDevice::close() {
    // Nothing more is read: the recording is dropped, and at program exit the
    // input's source may already be gone.
    endCapture(false);
    file_.reset();  // an unsaved recording goes with the device
}

}  // namespace platform::sound
