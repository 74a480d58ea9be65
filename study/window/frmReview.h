#pragma once
// The Review window: a recording's rows listed, each played with its
// padding, looped, stepped, marked and its edges moved, the whole recording
// moved against its sound, saved, and exported. One window for the program,
// non-modal, brought to the front when opened again. The work is the study
// core's (study::Recording) and the row player's; the window is glue.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/playback/AudioOut.h"
#include "platform/shell/MessageBox.h"
#include "study/window/StudyChoices.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;
class frmExport;

namespace study {
class Recording;
class RowPlayer;
namespace window {
class ReviewRowsModel;
class WaveformView;
}  // namespace window
}  // namespace study

class frmReview final : public QMainWindow {
  public:
    struct Services {
        std::function<std::string()> saveDir;  // where the file dialog starts
        platform::shell::MessageBoxes* boxes = nullptr;
        std::function<std::unique_ptr<platform::playback::AudioOut>()> makeOutput;
        // The script the user picks, or empty when they cancel.
        std::function<std::string(QWidget* parent, const std::string& startDir)> chooseScript;
        std::string settingsPath;  // study.ini; empty: nothing remembered
    };

    explicit frmReview(Services services);
    ~frmReview() override;

    // The program's one window, made on first use.
    static frmReview& instance();
    // Script > Review Recording...: shows the window, or brings it to the front.
    static void showWindow();
    // A recording has just been made: the window offers it.
    static void offerRecording(const std::string& scriptPath);

    void bringUp();
    void offer(const std::string& scriptPath);
    // Opens the script and the WAV of the same name beside it, first asking
    // to save changes to the one open. False when it was not opened (the
    // user was told why, or kept the one open).
    bool openRecording(const std::string& scriptPath);

    void mnuOpen_Click();
    void cmdOpenOffered_Click();
    void mnuSave_Click();
    void mnuExport_Click();
    void cmdPlay_Click();
    void chkLoop_Click();
    void chkNext_Click();
    void mnuMark_Click();
    void mnuStartEarlier_Click() { moveStart(-1); }
    void mnuStartLater_Click() { moveStart(1); }
    void mnuEndEarlier_Click() { moveEnd(-1); }
    void mnuEndLater_Click() { moveEnd(1); }
    void cmdOffsetEarlier_Click() { moveOffset(-1); }
    void cmdOffsetLater_Click() { moveOffset(1); }
    void updPadding_Change();
    void Timer1_Timer();

    QFrame* fraOffer = nullptr;
    QLabel* lblOffer = nullptr;
    QPushButton* cmdOpenOffered = nullptr;
    QLabel* lblNotice = nullptr;
    QLabel* lblText = nullptr;
    study::window::WaveformView* picWave = nullptr;
    QPushButton* cmdPlay = nullptr;
    QCheckBox* chkLoop = nullptr;
    QCheckBox* chkNext = nullptr;
    QSpinBox* updPadBefore = nullptr;
    QSpinBox* updPadAfter = nullptr;
    QLabel* lblOffset = nullptr;
    QPushButton* cmdOffsetEarlier = nullptr;
    QPushButton* cmdOffsetLater = nullptr;
    QTableView* lstRows = nullptr;
    QLabel* lblStatus = nullptr;
    QTimer* Timer1 = nullptr;

    QAction* mnuOpen = nullptr;
    QAction* mnuOpenOffered = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuClose = nullptr;
    QAction* mnuPlay = nullptr;
    QAction* mnuLoop = nullptr;
    QAction* mnuNext = nullptr;
    QAction* mnuOffsetEarlier = nullptr;
    QAction* mnuOffsetLater = nullptr;
    QAction* mnuMark = nullptr;
    QAction* mnuStartEarlier = nullptr;
    QAction* mnuStartLater = nullptr;
    QAction* mnuEndEarlier = nullptr;
    QAction* mnuEndLater = nullptr;

    study::Recording* recording() const { return recording_.get(); }
    bool playing() const;
    // Why nothing can be played, in the user's words; empty when it can.
    const std::string& playbackOffReason() const { return playbackOff_; }
    // The row with the focus, or -1.
    int currentRow() const;
    void setCurrentRow(int row);
    frmExport* exportDialog() const { return export_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void connectHandlers();
    void refresh();
    void showRow(int row);
    void currentRowChanged();
    bool startPlaying(int row);
    void stopPlaying();
    void playbackFinished();
    void prepareOutput();
    void moveStart(int steps);
    void moveEnd(int steps);
    void moveOffset(int steps);
    void rowEdited(int row);
    bool askToSave();
    void unload();
    void storePlayback();

    Services services_;
    study::StudySettings settings_;
    std::unique_ptr<study::Recording> recording_;
    std::unique_ptr<study::RowPlayer> player_;
    std::unique_ptr<platform::playback::AudioOut> output_;
    std::optional<platform::playback::PcmFormat> prepared_;
    std::vector<float> waveSamples_;
    study::window::ReviewRowsModel* rows_ = nullptr;
    frmExport* export_ = nullptr;
    std::string offered_;
    std::string playbackOff_;
    int shownRow_ = -1;
    bool following_ = false;  // the list is moved by playback, not by the user
    bool restoring_ = false;  // controls being set from the state
};
