#pragma once
// The Export dialog of the Review window: which rows (all or marked), what
// to write (Anki cards, clips as MP3 or Opus, condensed audio, SRT, WebVTT),
// the padding and the output folder. The choices are remembered for the
// user; the export runs on a worker thread with progress and Cancel.
#include <QDialog>
#include <memory>
#include <string>

#include "platform/shell/MessageBox.h"
#include "study/export/ExportJob.h"
#include "study/window/StudyChoices.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QThread;

class frmExport final : public QDialog {
  public:
    frmExport(QWidget* owner, platform::shell::MessageBoxes& boxes, std::string settingsPath);
    ~frmExport() override;

    // Shows the dialog for one recording with the remembered choices; the
    // padding starts as the window plays it. While an export runs the
    // dialog only comes to the front.
    void openFor(study::ExportSource source, const study::Padding& padding);

    void cmdExport_Click();
    void cmdCancel_Click();
    void cmdBrowse_Click();

    bool running() const { return worker_ != nullptr; }
    // Cancels a running export and waits until it has cleaned up.
    void abort();
    // The last finished export's report.
    const study::ExportReport& report() const { return report_; }
    // The choices and options as the controls now stand.
    study::ExportChoices choices() const;
    study::ExportOptions options() const;

    QRadioButton* optMarked = nullptr;
    QRadioButton* optAll = nullptr;
    QCheckBox* chkAnki = nullptr;
    QCheckBox* chkClips = nullptr;
    QComboBox* cboFormat = nullptr;
    QCheckBox* chkCondensed = nullptr;
    QCheckBox* chkSrt = nullptr;
    QCheckBox* chkVtt = nullptr;
    QSpinBox* updPadBefore = nullptr;
    QSpinBox* updPadAfter = nullptr;
    QLineEdit* txtFolder = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QProgressBar* barProgress = nullptr;
    QLabel* lblProgress = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdCancel = nullptr;

  protected:
    void reject() override;  // Esc and the close box: Cancel
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void setChoices(const study::ExportChoices& choices);
    void refresh();
    void progressed(const study::ExportProgress& progress);
    void finished();
    std::string recordingFolder() const;

    platform::shell::MessageBoxes& boxes_;
    study::StudySettings settings_;
    study::ExportSource source_;
    std::shared_ptr<study::ExportJob> job_;
    std::shared_ptr<study::ExportReport> pending_;
    std::unique_ptr<QThread> worker_;
    study::ExportReport report_;
    bool closeWhenDone_ = false;
};
