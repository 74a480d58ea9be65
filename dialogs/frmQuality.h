#pragma once
// Recording Quality: the sound format of the next recordings.
#include <QDialog>
#include <array>

#include "recording/QualityValues.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

class frmQuality final : public QDialog {
  public:
    explicit frmQuality(recording::QualityValues& values);

    // mnuRecordingQuality_Click: shows the one dialog, non-modal and without
    // an owner; when it is open already it only comes to the front.
    static void showDialog();
    static frmQuality& instance();

    void cmdOK_Click();
    void cmdCancel_Click();
    void bringUp();

    QGroupBox* fraSamplingRate = nullptr;
    QGroupBox* fraQuantization = nullptr;
    QGroupBox* fraChannel = nullptr;
    std::array<QRadioButton*, 4> optSamplingRate{};
    std::array<QRadioButton*, 2> optQuantization{};
    std::array<QRadioButton*, 2> optChannel{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

  protected:
    void reject() override;  // Esc and the close box act as Cancel
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Form_Load();

    recording::QualityValues& values_;
};
