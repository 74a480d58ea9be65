#include "recording/SoundRecorder.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace recording {

namespace {
constexpr std::string_view kInputLost = "input lost: ";
constexpr std::string_view kCutShort = "cut short: ";
}  // namespace

std::string formatCommand(const QualityValues& q) {
    // The product is an integer, the division a real one; rint rounds halves
    // to the even neighbour in the default rounding mode.
    const int64_t product = int64_t{q.m_nChannels} * q.m_nQBits;
    const int64_t alignment = static_cast<int64_t>(std::rint(static_cast<double>(product) / 8.0));
    const int64_t bytesPerSecond = int64_t{q.m_nSamplingRate} * alignment;
    return "set w samplespersec " + std::to_string(q.m_nSamplingRate) + " channels " +
           std::to_string(q.m_nChannels) + " bitspersample " + std::to_string(q.m_nQBits) +
           " alignment " + std::to_string(alignment) + " bytespersec " +
           std::to_string(bytesPerSecond);
}

platform::Status SoundRecorder::start(const QualityValues& q) {
    platform::Status first;
    for (const std::string& command : {std::string("open new type waveaudio alias w"),
                                       formatCommand(q), std::string("record w overwrite")}) {
        const MciReply reply = mci_.send(command);
        if (reply.code != 0 && first) {
            first = platform::Error{"The sound could not be recorded: " + reply.text};
        }
    }
    return first;
}

platform::Status SoundRecorder::saveAfterPress(const std::string& wavPath) {
    return saveAndClose(wavPath);
}

platform::Status SoundRecorder::saveAfterTimeout(const std::string& wavPath) {
    mci_.send("stop w");
    return saveAndClose(wavPath);
}

platform::Status SoundRecorder::saveAndClose(const std::string& wavPath) {
    // The path goes unquoted: the device takes the rest of the line as it.
    const MciReply saved = mci_.send("save w " + wavPath);
    mci_.send("close w ");
    if (saved.code != 0) {
        // The device's reply names the file and what became of the sound.
        if (saved.text.find(wavPath) != std::string::npos) {
            return platform::Error{saved.text};
        }
        std::string message = "The sound could not be saved as '" + wavPath + "'";
        if (!saved.text.empty()) {
            message += ": " + saved.text;
        }
        return platform::Error{message};
    }
    // A save that worked says so with an empty reply; the device notes a
    // recording that ended early, whose sound up to then is saved.
    if (saved.text.starts_with(kInputLost)) {
        return platform::Error{"The sound input was lost during the recording: " +
                               saved.text.substr(kInputLost.size()) + ". '" + wavPath +
                               "' holds the sound up to then."};
    }
    if (saved.text.starts_with(kCutShort)) {
        return platform::Error{"The sound stopped being recorded early, as " +
                               saved.text.substr(kCutShort.size()) + ". '" + wavPath +
                               "' holds the sound up to then."};
    }
    return platform::Status::ok();
}

}  // namespace recording
