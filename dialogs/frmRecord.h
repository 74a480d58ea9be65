#pragma once
// General Settings: the folder that recordings go to.
#include <QDialog>
#include <functional>
#include <string>

#include "platform/shell/MessageBox.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmRecord final : public QDialog {
  public:
    // Stores the confirmed folder (g_sSaveDir and the settings key SaveDir).
    using SaveDirWriter = std::function<void(const std::string&)>;

    frmRecord(std::function<std::string()> readSaveDir, SaveDirWriter writeSaveDir,
              platform::shell::MessageBoxes& boxes);

    // mnuGeneralSettings_Click: shows the one dialog, non-modal and without an
    // owner; when it is open already it only comes to the front.
    static void showDialog();
    static frmRecord& instance();

    void cmdOK_Click();
    void Command1_Click();

    QLabel* Label2 = nullptr;
    QLineEdit* txtSaveDir = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* Command1 = nullptr;

    // Opens the window, or raises it keeping what was typed.
    void bringUp();

  protected:
    void reject() override;  // Esc and the close box act as Cancel
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Form_Load();

    std::function<std::string()> readSaveDir_;
    SaveDirWriter writeSaveDir_;
    platform::shell::MessageBoxes& boxes_;
};
