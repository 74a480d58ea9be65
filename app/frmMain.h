#pragma once
// The main window: the control strip, the menus and the TV picture below
// them. Its handlers forward to the tuner and the recording controller; the
// window itself only places controls and runs its load and unload.
#include <QMainWindow>
#include <memory>
#include <string>

#include "platform/core/Result.h"
#include "platform/shell/MessageBox.h"
#include "platform/win/Win.h"
#include "recording/RecordingControls.h"
#include "recording/SendMciCommand.h"
#include "tuner/ChannelSelection.h"
#include "tuner/VideoRect.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace recording {
class RecordingController;
}

class frmMain final : public QMainWindow, public recording::RecordingControls, public ChannelBox {
  public:
    // boxes shows every message and question of the window; nullptr gives
    // the real ones.
    explicit frmMain(platform::shell::MessageBoxes* boxes = nullptr);
    ~frmMain() override;

    // Runs before the window is first shown. A card library that does not
    // load is returned as the failure; nothing else is examined.
    platform::Status Form_Load();
    void Form_Resize();
    void Form_Unload();
    void mnuExit_Click();
    // The program is being ended from outside (a signal, a lost display):
    // the unload, with a running recording saved as at a Stop press and
    // nothing shown.
    void endSession();

    void cmdRecord_Click();
    void Timer1_Timer();
    void cmdCheck_Click();
    void cmdChannelUp_Click();
    void cmdChannelDown_Click();
    void cmdChannelGo_Click();
    void mnuAutoScan_Click();
    void mnuGeneralSettings_Click();
    void mnuRecordingQuality_Click();
    void mnuReviewRecording_Click();
    void mnuAllCaptionModes_Click();
    void mnuContents_Click();
    void mnuAbout_Click();

    // This window in the window-message layer.
    platform::win::HWND hWnd() const { return m_hWnd; }
    // Where the video window goes for the window's present outer size.
    VideoRect videoRect() const;

    // The client area: everything below the menu bar.
    QWidget* client = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtScriptName = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtDuration = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblRemaining = nullptr;
    QPushButton* cmdRecord = nullptr;
    QLineEdit* txtChannel = nullptr;
    QPushButton* cmdChannelDown = nullptr;
    QPushButton* cmdChannelUp = nullptr;
    QPushButton* cmdChannelGo = nullptr;
    QPushButton* cmdCheck = nullptr;
    QLabel* lblChecks = nullptr;
    QTimer* Timer1 = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    QMenu* mnuScript = nullptr;
    QAction* mnuGeneralSettings = nullptr;
    QAction* mnuRecordingQuality = nullptr;
    QAction* mnuReviewRecording = nullptr;
    QAction* mnuAllCaptionModes = nullptr;
    QMenu* mnuTuner = nullptr;
    QAction* mnuAutoScan = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuContents = nullptr;
    QAction* mnuAbout = nullptr;

    // RecordingControls
    std::string scriptName() const override;
    std::string durationText() const override;
    std::string recordCaption() const override;
    void setRecordCaption(const std::string& caption) override;
    void setRemainingCaption(const std::string& caption) override;
    std::string checksCaption() const override;
    void setChecksCaption(const std::string& caption) override;
    void setCheckEnabled(bool enabled) override;
    void setTimerInterval(int milliseconds) override;
    void setTimerEnabled(bool enabled) override;

    // ChannelBox
    std::string channelText() const override;
    void setChannelText(const std::string& text) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void connectHandlers();
    void addCardMenuItems();
    void SaveChannels();

    platform::shell::MessageBoxes& m_boxes;
    recording::SystemMci m_mci;
    std::unique_ptr<recording::RecordingController> m_recording;
    platform::win::HWND m_hWnd = 0;
    platform::win::HWND m_hClient = 0;
    bool m_bLoaded = false;
};
