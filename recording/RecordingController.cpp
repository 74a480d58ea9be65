#include "recording/RecordingController.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/tv/TvCard.h"
#include "recording/DurationText.h"

namespace recording {

namespace {

// Whole seconds as digits only; a double, since a huge typed duration would
// not fit an integer.
std::string wholeSeconds(double seconds) {
    char text[400] = {};
    std::snprintf(text, sizeof text, "%.0f", std::floor(seconds));
    return text;
}

int32_t readCount(const std::string& caption) {
    int32_t value = 0;
    const auto [end, error] =
        std::from_chars(caption.data(), caption.data() + caption.size(), value);
    if (error != std::errc() || end != caption.data() + caption.size()) {
        return 0;
    }
    return value;
}

}  // namespace

RecordingController::RecordingController(RecordingControls& controls,
                                         const RecordingServices& services)
    : controls_(controls), services_(services), sound_(services.mci) {}

bool RecordingController::isRecording() const {
    return controls_.recordCaption() != kRecordCaption;
}

std::string RecordingController::wavPath() const {
    return services_.saveDir + "/" + controls_.scriptName() + ".wav";
}

std::string RecordingController::scriptPath() const {
    return services_.saveDir + "/" + controls_.scriptName() + ".txt";
}

void RecordingController::cmdRecord_Click() {
    // The name is tested in both states, so an empty one does not stop a
    // running recording either.
    if (controls_.scriptName().empty()) {
        services_.boxes.MessageBoxA("Input script name", platform::shell::kAppTitle,
                                    platform::shell::MB_OK);
        return;
    }
    const std::string wav = wavPath();
    std::error_code ignored;
    std::filesystem::remove(wav, ignored);
    if (controls_.recordCaption() == kRecordCaption) {
        startSequence();
    } else {
        stopSequence(false, wav);
    }
}

void RecordingController::Timer1_Timer() {
    const std::string wav = wavPath();
    const double now = services_.clock.now();
    if (now >= m_dEndTime) {
        stopSequence(true, wav);
        return;
    }
    controls_.setRemainingCaption(wholeSeconds(m_dEndTime - now));
}

void RecordingController::cmdCheck_Click() {
    const int32_t count = readCount(controls_.checksCaption());
    const int32_t next = count == std::numeric_limits<int32_t>::max() ? count : count + 1;
    controls_.setChecksCaption(std::to_string(next));
    services_.captions.check();
}

void RecordingController::Form_Unload() {
    if (!isRecording()) {
        return;
    }
    // Saved under the name in the box even when it is empty: losing the
    // recording would be worse than an odd file name.
    const std::string wav = wavPath();
    std::error_code ignored;
    std::filesystem::remove(wav, ignored);
    stopSequence(false, wav);
}

void RecordingController::startSequence() {
    controls_.setRecordCaption(kStopCaption);
    if (const auto duration = parseDuration(controls_.durationText())) {
        m_dEndTime = services_.clock.now() + static_cast<double>(*duration);
    }
    controls_.setTimerInterval(kTickMilliseconds);
    controls_.setTimerEnabled(true);
    // The script's time base is taken when the decoder starts, just after
    // the sound has been told to record.
    failures_.clear();
    if (const platform::Status started = sound_.start(services_.quality); !started) {
        failures_.push_back(started.message());
    }
    const std::string script = scriptPath();
    m_nScriptFno = services_.files.freeFile();
    platform::Status opened =
        m_nScriptFno == 0
            ? platform::Status(platform::Error{"Cannot open '" + script + "': no free file number"})
            : services_.files.openForOutput(m_nScriptFno, script);
    if (opened) {
        openedScript_ = script;
        services_.captions.init(m_nScriptFno);
    } else {
        m_nScriptFno = 0;
        failures_.push_back("The script could not be written. " + opened.message());
    }
    controls_.setCheckEnabled(true);
    controls_.setChecksCaption("0");
}

void RecordingController::stopSequence(bool timedOut, const std::string& wav) {
    controls_.setRecordCaption(kRecordCaption);
    controls_.setRemainingCaption("0");
    controls_.setTimerEnabled(false);
    sendRecordingStop(1);

    const platform::Status saved =
        timedOut ? sound_.saveAfterTimeout(wav) : sound_.saveAfterPress(wav);
    if (!saved) {
        failures_.push_back(saved.message());
    }

    std::string madeScript;
    if (m_nScriptFno != 0) {
        madeScript = openedScript_;
        services_.captions.init(0);
        const platform::Status written = services_.captions.lastWriteStatus();
        if (!written) {
            failures_.push_back("The script could not be written completely. " + written.message());
        }
        const platform::Status closed = services_.files.close(m_nScriptFno);
        if (!closed && (written || closed.message() != written.message())) {
            failures_.push_back("The script could not be written completely. " + closed.message());
        }
        m_nScriptFno = 0;
    }

    sendRecordingStop(0);
    controls_.setCheckEnabled(false);
    reportFailures();
    if (stopped_ && !madeScript.empty()) {
        stopped_(madeScript, wav);
    }
}

void RecordingController::sendRecordingStop(platform::win::WPARAM phase) {
    int32_t zero = 0;
    platform::win::SendMessageA(services_.videoWindow, platform::tv::kMsgRecordingStop, phase,
                                reinterpret_cast<platform::win::LPARAM>(&zero));
}

void RecordingController::reportFailures() {
    if (failures_.empty()) {
        return;
    }
    std::string text;
    for (const std::string& failure : failures_) {
        if (!text.empty()) {
            text += "\r\n\r\n";
        }
        text += failure;
    }
    failures_.clear();
    services_.boxes.MessageBoxA(text, platform::shell::kAppTitle,
                                platform::shell::MB_OK | platform::shell::MB_ICONWARNING);
}

}  // namespace recording
