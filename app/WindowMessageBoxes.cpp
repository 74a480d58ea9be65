#include "app/WindowMessageBoxes.h"

#include <QString>

std::unique_ptr<QMessageBox> makeBox(const MsgRequest& request) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(
        QString::fromStdString(request.title.empty() ? kProgramTitle : request.title));
    box->setText(QString::fromStdString(request.text));
    box->setIcon(request.icon == MsgIcon::Information ? QMessageBox::Information
                                                      : QMessageBox::NoIcon);
    if (request.buttons == MsgButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(request.defaultAnswer == MsgAnswer::No ? QMessageBox::No
                                                                     : QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

MsgAnswer WindowMessageBoxes::show(const MsgRequest& request) {
    std::unique_ptr<QMessageBox> box = makeBox(request);
    const int pressed = box->exec();
    if (request.buttons == MsgButtons::YesNo) {
        return pressed == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    return MsgAnswer::Ok;
}
