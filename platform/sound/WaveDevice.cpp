#include "platform/sound/WaveDevice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/core/UserFolders.h"
#include "platform/sound/BackgroundMoves.h"
#include "platform/sound/MciErrors.h"

namespace platform::sound {

namespace {

MciReply fail(uint32_t code, const std::string& detail = {}) {
    return {code, detail.empty() ? mciErrorText(code) : detail};
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The system's reason at the end of a message "Cannot ... 'path': reason".
std::string reasonOf(const std::string& message) {
    const std::size_t at = message.rfind("': ");
    return at == std::string::npos ? message : message.substr(at + 3);
}

std::string secondsText(double seconds) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// What a failed write means to the person recording.
std::string problemCause(int err, const std::string& file) {
    if (err == ENOSPC || err == EDQUOT) {
        return "the disk holding '" + folderOf(file) + "' is full";
    }
    return "'" + file + "' cannot be written (" + std::strerror(err != 0 ? err : EIO) + ")";
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

MciReply WaveDevice::record(std::unique_ptr<WaveInput> input, double startTime,
                            const RecordingPlace& place) {
    endCapture(false);
    file_.reset();
    held_.reset();  // a recording kept after a failed save stays on disk
    savedPath_.clear();
    captureError_ = Status{};
    problem_.clear();
    problemTold_ = false;
    lost_.clear();
    place_ = place;

    auto file = place.file.empty() ? TempWavFile::create(format_)
                                   : TempWavFile::createAt(format_, place.file);
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
        problem_ = problemCause(file_->writeErrno(), file_->path());
        // What cannot be written is not kept waiting in memory either.
        input_->stop();
        lost_ = input_->lostReason();
        input_.reset();
    }
}

std::string WaveDevice::takeProblem() {
    if (problem_.empty() || problemTold_) {
        return {};
    }
    problemTold_ = true;
    return "The sound is no longer being recorded: " + problem_ +
           ". What was recorded until now is kept and saved when the recording stops.";
}

void WaveDevice::endCapture(bool keep) {
    if (!input_) {
        return;
    }
    if (keep) {
        pump();  // whatever arrived since the last timer tick belongs to the recording
    }
    if (!input_) {
        return;  // that pump met a failed write and ended the capture
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
        // A failed header write leaves the sizes libsndfile wrote last, which
        // the next start repairs; the file is saved all the same.
        file_->finish();
        held_ = std::move(file_);
    }
    if (held_) {
        MciReply r = saveHeld(path);
        if (!r.isOk()) {
            return r;
        }
    } else if (!savedPath_.empty()) {
        // Saved once already: the saved file is the recording.
        if (path != savedPath_) {
            if (Status s = copyFile(savedPath_, path); !s) {
                return fail(kMciFileNotSaved, "The sound could not be saved as '" + path + "' (" +
                                                  reasonOf(s.message()) + ").");
            }
        }
    } else {
        return fail(kMciNonapplicableFunction,
                    "Nothing has been recorded yet: there is nothing to save");
    }
    if (!captureError_) {
        return {0, "cut short: " + problem_};
    }
    if (!lost_.empty()) {
        return {0, "input lost: " + lost_};
    }
    return {};
}

MciReply WaveDevice::saveHeld(const std::string& path) {
    const std::string seconds =
        secondsText(static_cast<double>(held_->framesWritten()) / format_.samplesPerSec);
    std::string why;
    if (held_->unlinked()) {
        // Its folder was deleted while recording: the sound is only reachable
        // through the open file, and is copied out of it.
        if (Status s = held_->copyTo(path); s) {
            savedPath_ = path;
            held_.reset();
            return {};
        } else {
            why = reasonOf(s.message());
        }
        const bool canKeep =
            !place_.keepFolder.empty() && platform::makeFolders(place_.keepFolder).isOk();
        const std::string keep =
            canKeep ? platform::freePath(place_.keepFolder, nameOf(path)) : std::string();
        if (!keep.empty() && held_->copyTo(keep)) {
            savedPath_ = keep;
            held_.reset();
            return fail(kMciFileNotSaved, "The sound could not be saved as '" + path + "' (" + why +
                                              "). It is saved as '" + keep + "' instead (" +
                                              seconds + " seconds).");
        }
        return fail(kMciFileNotSaved, "The sound could not be saved as '" + path + "' (" + why +
                                          ") nor anywhere else: the folder it was recorded in "
                                          "was deleted.");
    }
    const std::string from = held_->currentPath();
    if (::rename(from.c_str(), path.c_str()) == 0) {
        savedPath_ = path;
        held_.reset();
        return {};
    }
    if (errno == EXDEV && !place_.file.empty()) {
        // Another file system: the copy runs while the program goes on.
        moveInBackground(std::move(held_), path, place_.companion);
        savedPath_ = path;
        return {};
    }
    if (Status s = moveFile(from, path); s) {
        savedPath_ = path;
        held_.reset();
        return {};
    } else {
        why = reasonOf(s.message());
    }
    if (place_.file.empty()) {
        return fail(kMciFileNotSaved, "The sound could not be saved as '" + path + "' (" + why +
                                          "). What was recorded is kept in '" + from + "'.");
    }
    // A placed recording is hidden: it gets the asked name where it is.
    const std::string visible = platform::freePath(folderOf(from), nameOf(path));
    if (::rename(from.c_str(), visible.c_str()) == 0) {
        savedPath_ = visible;
        held_.reset();
        return fail(kMciFileNotSaved, "The sound could not be saved as '" + path + "' (" + why +
                                          "). It is saved as '" + visible + "' instead (" +
                                          seconds + " seconds).");
    }
    return fail(kMciFileNotSaved, "The sound could not be saved as '" + path + "' (" + why +
                                      "). What was recorded is kept in '" + from + "'.");
}

void WaveDevice::close() {
    // Nothing more is read: at program exit the input's source may already
    // be gone. An anonymous unsaved recording goes with the device; a placed
    // one stays, its header complete.
    endCapture(false);
    file_.reset();
    held_.reset();
}

}  // namespace platform::sound
