#include "dialogs/frmRecord.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/modMain.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/QtMessageBoxes.h"

frmRecord::frmRecord(std::function<std::string()> readSaveDir, SaveDirWriter writeSaveDir,
                     platform::shell::MessageBoxes& boxes)
    : QDialog(nullptr),
      readSaveDir_(std::move(readSaveDir)),
      writeSaveDir_(std::move(writeSaveDir)),
      boxes_(boxes) {
    dialogs::makeFixedDialog(this, "Script Recording", 5610, 1020);

    Label2 = new QLabel(QStringLiteral("Save &Directory"), this);
    txtSaveDir = new QLineEdit(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    Command1 = new QPushButton(QStringLiteral("Cancel"), this);
    Label2->setObjectName("Label2");
    txtSaveDir->setObjectName("txtSaveDir");
    cmdOK->setObjectName("cmdOK");
    Command1->setObjectName("Command1");

    dialogs::placeInTwips(Label2, 120, 120, 1215, 255);
    dialogs::placeInTwips(txtSaveDir, 1440, 120, 2895, 285);
    dialogs::placeInTwips(cmdOK, 4440, 120, 1095, 315);
    dialogs::placeInTwips(Command1, 4440, 600, 1095, 315);

    Label2->setBuddy(txtSaveDir);
    // OK is the default button; Enter on Cancel presses Cancel (keyPressEvent).
    cmdOK->setAutoDefault(false);
    Command1->setAutoDefault(false);
    cmdOK->setDefault(true);
    QWidget::setTabOrder(txtSaveDir, cmdOK);
    QWidget::setTabOrder(cmdOK, Command1);

    dialogs::fitFont(this);

    connect(cmdOK, &QPushButton::clicked, this, &frmRecord::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmRecord::Command1_Click);
}

frmRecord& frmRecord::instance() {
    // Created on first use and kept to the end of the process, like the
    // dialog objects of the rest of the program.
    static frmRecord* dialog = new frmRecord([] { return g_sSaveDir; },
                                             [](const std::string& dir) {
                                                 g_sSaveDir = dir;
                                                 WriteSetting("SaveDir", dir);
                                             },
                                             dialogs::programMessageBoxes());
    return *dialog;
}

void frmRecord::showDialog() {
    instance().bringUp();
}

void frmRecord::bringUp() {
    if (!isVisible()) {
        Form_Load();
        show();
    }
    raise();
    activateWindow();
}

void frmRecord::Form_Load() {
    txtSaveDir->setText(QString::fromStdString(readSaveDir_()));
    txtSaveDir->setFocus();
}

void frmRecord::cmdOK_Click() {
    const QString text = txtSaveDir->text();
    if (text.isEmpty()) {
        boxes_.MessageBoxA("Input save directory", platform::shell::kAppTitle,
                           platform::shell::MB_OK);
        return;
    }
    writeSaveDir_(text.toStdString());
    QDialog::accept();
}

void frmRecord::Command1_Click() {
    QDialog::reject();
}

void frmRecord::reject() {
    Command1_Click();
}

void frmRecord::keyPressEvent(QKeyEvent* event) {
    if (!dialogs::pressForEnter(this, event, cmdOK)) {
        QDialog::keyPressEvent(event);
    }
}
