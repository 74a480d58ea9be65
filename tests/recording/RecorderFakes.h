#pragma once
// Stand-ins for the main window's controls, the sound device, the message
// boxes and the video window, each keeping what it was asked.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell/MessageBox.h"
#include "platform/win/Win.h"
#include "recording/RecordingControls.h"
#include "recording/SendMciCommand.h"
#include "tests/support/FakeMessageBoxes.h"

namespace recording::testing {

struct FakeControls final : RecordingControls {
    std::string name = "untitled";
    std::string duration = "600";
    std::string record = "&Record";
    std::string remaining = "0";
    std::string checks = "0";
    bool checkEnabled = false;
    bool timerEnabled = false;
    int timerInterval = 0;

    std::string scriptName() const override { return name; }
    std::string durationText() const override { return duration; }
    std::string recordCaption() const override { return record; }
    void setRecordCaption(const std::string& c) override { record = c; }
    void setRemainingCaption(const std::string& c) override { remaining = c; }
    std::string checksCaption() const override { return checks; }
    void setChecksCaption(const std::string& c) override { checks = c; }
    void setCheckEnabled(bool e) override { checkEnabled = e; }
    void setTimerInterval(int ms) override { timerInterval = ms; }
    void setTimerEnabled(bool e) override { timerEnabled = e; }
};

// Every command and message of a recording in one log, so their order shows.
struct EventLog {
    std::vector<std::string> events;
};

struct FakeMci final : MciSender {
    explicit FakeMci(EventLog& log) : log(log) {}
    MciReply send(const std::string& command) override {
        log.events.push_back(command);
        if (command.rfind("save w ", 0) == 0) {
            return {saveError, saveReply};
        }
        if (command == "record w overwrite") {
            return {recordError, recordReply};
        }
        return {};
    }
    void recordInto(const std::string& file, const std::string& keepFolder,
                    const std::string&) override {
        placed.push_back(file);
        keptIn = keepFolder;
    }
    std::string takeCaptureProblem() override { return std::exchange(captureProblem, {}); }
    EventLog& log;
    std::vector<std::string> placed;  // where each recording was to be made
    std::string keptIn;
    std::string captureProblem;
    uint32_t saveError = 0;
    std::string saveReply;
    uint32_t recordError = 0;
    std::string recordReply;
};

using FakeBoxes = testsupport::FakeMessageBoxes;

// The user's data folder inside the test's own folder.
class DataHomeScope {
  public:
    DataHomeScope() {
        const char* old = std::getenv("XDG_DATA_HOME");
        had_ = old != nullptr;
        old_ = old != nullptr ? old : "";
    }
    void set(const std::string& home) { ::setenv("XDG_DATA_HOME", home.c_str(), 1); }
    ~DataHomeScope() {
        if (had_) {
            ::setenv("XDG_DATA_HOME", old_.c_str(), 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
    }

  private:
    bool had_ = false;
    std::string old_;
};

// A plain window standing in for the video window; logs the 1035 messages
// with the value its lParam points at.
class VideoWindow {
  public:
    explicit VideoWindow(EventLog& log);
    ~VideoWindow();
    platform::win::HWND handle = 0;
};

}  // namespace recording::testing
