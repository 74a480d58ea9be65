#include "recording/RecordingController.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <system_error>

#include "platform/core/UserFolders.h"
#include "platform/core/WholeFile.h"
#include "platform/tv/TvCard.h"
#include "recording/DurationText.h"
#include "recording/JournalText.h"

namespace recording {

namespace {

// Whole seconds as digits only; a double, since a huge typed duration would
// not fit an integer.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The system's reason at the end of a message "Cannot ... 'path': reason".
std::string reasonOf(const std::string& message) {
    const std::size_t at = message.rfind("': ");
    return at == std::string::npos ? message : message.substr(at + 3);
}

// "Its 2 rows are", "Its 1 row is".
std::string itsRows(std::size_t n) {
    return "Its " + std::to_string(n) + (n == 1 ? " row is" : " rows are");
}

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
    // A sound that can no longer be written is told at once, not at the end.
    if (const std::string problem = services_.mci.takeCaptureProblem(); !problem.empty()) {
        tell(problem, platform::shell::MB_ICONWARNING);
        // The box waits for the user while ticks go on: one of them may have
        // ended the recording meanwhile.
        if (!isRecording()) {
            return;
        }
    }
    const double now = services_.clock.now();
    if (now >= m_dEndTime) {
        if (controls_.scriptName().empty()) {
            stopWithStartName(true);
        } else {
            stopSequence(true, wavPath());
        }
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
    if (controls_.scriptName().empty()) {
        stopWithStartName(false);
        return;
    }
    const std::string wav = wavPath();
    std::error_code ignored;
    std::filesystem::remove(wav, ignored);
    stopSequence(false, wav);
}

void RecordingController::endSession() {
    quiet_ = true;
    Form_Unload();
}

void RecordingController::stopWithStartName(bool timedOut) {
    // An empty box would name a hidden file without a name, which nobody
    // finds again: the name the recording started with is used instead.
    const std::string wav = services_.saveDir + "/" + startName_ + ".wav";
    if (!timedOut) {
        std::error_code ignored;
        std::filesystem::remove(wav, ignored);
    }
    failures_.push_back(
        "The Script Name box was empty, so the recording is saved under the name "
        "it started with, '" +
        startName_ + "'.");
    stopSequence(timedOut, wav);
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
    const std::string name = controls_.scriptName();
    startName_ = name;
    prepareFiles(name);
    if (const platform::Status started = sound_.start(services_.quality); !started) {
        failures_.push_back(started.message());
    }
    openScript(name);
    controls_.setCheckEnabled(true);
    controls_.setChecksCaption("0");
}

void RecordingController::prepareFiles(const std::string& name) {
    // The sound is made beside its final name, so the save is a rename on
    // one file system, with its journal beside it; where the save folder
    // cannot be written, in the user's data folder.
    std::string folder = services_.saveDir;
    if (!platform::folderWritable(folder)) {
        const std::string data = platform::userDataFolder();
        const std::string why = platform::whyNotWritable(folder);
        if (!data.empty() && platform::makeFolders(data)) {
            failures_.push_back("The save folder '" + folder + "' cannot be written (" + why +
                                "), so this recording was made in '" + data + "'.");
            folder = data;
        }
    }
    platform::Result<std::unique_ptr<RecordingJournal>> journal =
        RecordingJournal::create(folder, name);
    if (journal) {
        journal_ = std::move(journal.value());
        // A sound whose folder is deleted while recording is saved in the other.
        const std::string data = platform::userDataFolder();
        services_.mci.recordInto(journal_->soundPath(), folder == data ? services_.saveDir : data,
                                 journal_->path());
    } else {
        journal_ = RecordingJournal::inMemory();
    }
}

void RecordingController::openScript(const std::string& name) {
    std::string script = scriptPath();
    m_nScriptFno = services_.files.freeFile();
    platform::Status opened =
        m_nScriptFno == 0
            ? platform::Status(platform::Error{"Cannot open '" + script + "': no free file number"})
            : services_.files.openForOutput(m_nScriptFno, script);
    const std::string data = platform::userDataFolder();
    if (!opened && m_nScriptFno != 0 && !data.empty() && data != folderOf(script) &&
        platform::makeFolders(data)) {
        // Never over an older script there: a name of its own.
        const std::string elsewhere = platform::freePath(data, name + ".txt");
        if (services_.files.openForOutput(m_nScriptFno, elsewhere)) {
            failures_.push_back("The script could not be made as '" + script + "' (" +
                                reasonOf(opened.message()) + "), so it is written to '" +
                                elsewhere + "'.");
            script = elsewhere;
            opened = platform::Status::ok();
        }
    }
    if (opened) {
        scriptFile_ = script;
        services_.captions.init(m_nScriptFno);
        journal_->setDestinations(wavPath(), script);
        services_.captions.setScriptListener(journal_.get());
    } else {
        m_nScriptFno = 0;
        scriptFile_.clear();
        failures_.push_back("The script could not be written. " + opened.message());
    }
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

    bool scriptSaved = true;
    std::string madeScript;  // the script this stop wrote, for a window that offers it
    if (m_nScriptFno != 0) {
        // A file whose folder was deleted takes every write and keeps none.
        const bool gone = services_.files.isUnlinked(m_nScriptFno);
        services_.captions.init(0);
        services_.captions.setScriptListener(nullptr);
        const platform::Status written = services_.captions.lastWriteStatus();
        const platform::Status closed = services_.files.close(m_nScriptFno);
        m_nScriptFno = 0;
        if (gone) {
            scriptSaved = keepScript(scriptFile_, "its folder was deleted during the recording");
        } else if (!written || !closed) {
            scriptSaved =
                keepScript(scriptFile_, reasonOf((!written ? written : closed).message()));
        }
        madeScript = scriptFile_;
    }
    if (journal_) {
        // The journal goes once everything it could give back is saved.
        const bool soundSaved = journal_->soundPath().empty() || !exists(journal_->soundPath());
        if (soundSaved && (scriptSaved || !journal_->intact())) {
            if (const platform::Status removed = journal_->remove(); !removed) {
                std::cerr << removed.message() << "\n";
            }
        }
        journal_.reset();
    }

    sendRecordingStop(0);
    controls_.setCheckEnabled(false);
    reportFailures();
    if (stopped_ && scriptSaved && !madeScript.empty()) {
        stopped_(madeScript, wav);
    }
}

bool RecordingController::keepScript(const std::string& failed, const std::string& why) {
    // The rows are written from what the journal kept, exactly as the stop
    // writes them, into a folder that takes them.
    const std::string bytes = scriptText(journal_->rows(), journal_->checks());
    const std::string rows = itsRows(journal_->rows().size());
    std::string message = "The script could not be written to '" + failed + "' (" + why + "). ";
    // The other of the two folders a recording may use: the disk that
    // refused the script would refuse a second file too.
    const std::string data = platform::userDataFolder();
    const std::string folder = folderOf(failed) == data ? services_.saveDir : data;
    std::string lastWhy;
    if (folder == data && !data.empty()) {
        if (const platform::Status made = platform::makeFolders(data); !made) {
            lastWhy = reasonOf(made.message());
        }
    }
    if (!folder.empty() && platform::folderWritable(folder)) {
        const std::string elsewhere = platform::freePath(folder, nameOf(failed));
        if (const platform::Status s = platform::replaceWholeFile(elsewhere, bytes); s) {
            journal_->setScriptPath(elsewhere);
            failures_.push_back(message + rows + " saved in '" + elsewhere + "' instead.");
            scriptFile_ = elsewhere;  // last: failed may name this member
            return true;
        } else {
            lastWhy = reasonOf(s.message());
        }
    }
    if (journal_->intact()) {
        failures_.push_back(message + rows + " kept in '" + journal_->path() +
                            "'; Cuelark writes the script from there the next time it starts.");
        return false;
    }
    failures_.push_back(message + "Its " + std::to_string(journal_->rows().size()) +
                        (journal_->rows().size() == 1 ? " row" : " rows") +
                        " could not be saved anywhere else" +
                        (lastWhy.empty() ? std::string(".") : " (" + lastWhy + ")."));
    return false;
}

void RecordingController::sendRecordingStop(platform::win::WPARAM phase) {
    int32_t zero = 0;
    platform::win::SendMessageA(services_.videoWindow, platform::tv::kMsgRecordingStop, phase,
                                reinterpret_cast<platform::win::LPARAM>(&zero));
}

void RecordingController::tell(const std::string& text, uint32_t icon) {
    // Also on standard error: when the program is being ended nobody sees a
    // box, and a terminal or the session's log keeps what was said.
    std::cerr << platform::shell::kAppTitle << ": " << text << "\n";
    if (!quiet_) {
        services_.boxes.MessageBoxA(text, platform::shell::kAppTitle,
                                    platform::shell::MB_OK | icon);
    }
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
    tell(text, platform::shell::MB_ICONWARNING);
}

}  // namespace recording
