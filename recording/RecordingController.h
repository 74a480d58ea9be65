#pragma once
// Record/Stop, the countdown and Check: the work behind cmdRecord_Click,
// Timer1_Timer and cmdCheck_Click of the main window.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "platform/shell/MessageBox.h"
#include "platform/win/Win.h"
#include "recording/QualityValues.h"
#include "recording/RecordingControls.h"
#include "recording/RecordingJournal.h"
#include "recording/SoundRecorder.h"

namespace recording {

inline constexpr const char* kRecordCaption = "&Record";
inline constexpr const char* kStopCaption = "&Stop";
inline constexpr int kTickMilliseconds = 500;

// What a recording reaches besides the window's controls. The references to
// the save directory and the video window are read afresh at each use, so a
// change made meanwhile (General Settings) counts from then on.
struct RecordingServices {
    const std::string& saveDir;              // g_sSaveDir
    cldCCFactory& captions;                  // g_ccFactory
    const platform::win::HWND& videoWindow;  // g_hVideoWnd
    const QualityValues& quality;            // read at every start
    MciSender& mci;
    platform::FileTable& files;
    const platform::Clock& clock;  // monotonic: a recording across midnight ends on time
    platform::shell::MessageBoxes& boxes;
};

class RecordingController {
  public:
    RecordingController(RecordingControls& controls, const RecordingServices& services);

    void cmdRecord_Click();
    void Timer1_Timer();
    void cmdCheck_Click();
    // The main window is closing: a running recording is stopped and saved
    // as after a Stop press, before the window's own unload steps. An empty
    // Script Name box saves under the name the recording started with.
    void Form_Unload();
    // The program is being ended (a signal, a lost display): the same stop,
    // with no message box; what would have been told goes to standard error,
    // and whatever could not be saved is left for the next start.
    void endSession();

    // Told once a stop has run (after any failure was told) of a recording
    // whose script file was opened: the script as opened at its start and
    // the WAV as saved, for a window that offers the recording just made.
    using StoppedListener = std::function<void(const std::string& script, const std::string& wav)>;
    void setStoppedListener(StoppedListener listener) { stopped_ = std::move(listener); }

    bool isRecording() const;
    std::string wavPath() const;
    std::string scriptPath() const;

    // Seconds on the services' clock at which the running recording ends.
    // Double, as the monotonic clock's values are far beyond single precision.
    double m_dEndTime = 0.0;
    int32_t m_nScriptFno = 0;

  private:
    void startSequence();
    void prepareFiles(const std::string& name);
    void openScript(const std::string& name);
    void stopSequence(bool timedOut, const std::string& wav);
    void stopWithStartName(bool timedOut);
    // The rows of a script that could not be written, saved elsewhere;
    // false when they are only in the journal, or nowhere.
    bool keepScript(const std::string& failed, const std::string& why);
    void sendRecordingStop(platform::win::WPARAM phase);
    void tell(const std::string& text, uint32_t icon);
    void reportFailures();

    RecordingControls& controls_;
    RecordingServices services_;
    SoundRecorder sound_;
    // Problems met by the running recording, told once its stop has run.
    std::vector<std::string> failures_;
    bool quiet_ = false;  // ending: nothing is shown

    // The running recording: the name it started with, where its sound and
    // journal are made, and its rows and checks so far.
    std::string startName_;
    std::string scriptFile_;
    std::unique_ptr<RecordingJournal> journal_;
    StoppedListener stopped_;
};

}  // namespace recording
