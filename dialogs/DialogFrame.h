#pragma once
// What the two settings dialogs share: a fixed frame with a title and a close
// box only, and positions given in twips.
#include <QDialog>
#include <QWidget>

namespace dialogs {

constexpr int kTwipsPerPixel = 15;

inline void placeInTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                   height / kTwipsPerPixel);
}

inline void makeFixedDialog(QDialog* d, const char* title, int widthTwips, int heightTwips) {
    d->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint);
    d->setWindowTitle(QString::fromUtf8(title));
    d->setFixedSize(widthTwips / kTwipsPerPixel, heightTwips / kTwipsPerPixel);
    d->setModal(false);
}

}  // namespace dialogs
