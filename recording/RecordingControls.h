#pragma once
// The main window's controls that a recording reads and drives. The window
// implements this over its widgets; tests use plain members. Texts are UTF-8,
// as the file system takes them.
#include <string>

namespace recording {

class RecordingControls {
  public:
    virtual ~RecordingControls() = default;

    virtual std::string scriptName() const = 0;    // txtScriptName
    virtual std::string durationText() const = 0;  // txtDuration

    virtual std::string recordCaption() const = 0;  // cmdRecord: "&Record" or "&Stop"
    virtual void setRecordCaption(const std::string& caption) = 0;

    virtual void setRemainingCaption(const std::string& caption) = 0;  // lblRemaining

    virtual std::string checksCaption() const = 0;  // lblChecks
    virtual void setChecksCaption(const std::string& caption) = 0;

    virtual void setCheckEnabled(bool enabled) = 0;  // cmdCheck

    virtual void setTimerInterval(int milliseconds) = 0;  // Timer1
    virtual void setTimerEnabled(bool enabled) = 0;
};

}  // namespace recording
