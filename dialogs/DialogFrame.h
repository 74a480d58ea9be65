#pragma once
// What the two settings dialogs share: a fixed frame with a title and a close
// box only, positions given in twips, and what Enter presses.
#include <QDialog>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>
#include <algorithm>

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

// Enter presses the button that has the focus, as on the desktop the
// program imitates; from a text box or an option button it presses the
// default button. Buttons do not take the default on focus (Qt's way keeps it
// on a button still after the dialog was hidden), so it is decided here. True
// when the key was Enter and has been used.
inline bool pressForEnter(QDialog* d, QKeyEvent* e, QPushButton* defaultButton) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if ((e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) || mods != Qt::NoModifier) {
        return false;
    }
    auto* focused = qobject_cast<QPushButton*>(d->focusWidget());
    QPushButton* pressed = focused != nullptr ? focused : defaultButton;
    if (pressed->isEnabled()) {
        pressed->click();
    }
    return true;
}

// Whether a label or an option shows its whole caption in its box; other
// widgets always do.
inline bool captionFits(const QWidget* w) {
    int needed = 0;
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        needed = label->fontMetrics().horizontalAdvance(QString(label->text()).remove('&'));
    } else if (const auto* option = qobject_cast<const QRadioButton*>(w)) {
        const QStyle* style = option->style();
        needed = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) +
                 style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) +
                 option->fontMetrics().horizontalAdvance(QString(option->text()).remove('&'));
    }
    return needed <= w->width();
}

// The controls keep their places whatever font the desktop uses: the
// dialog's font steps down from the desktop's until every label and option
// shows its whole caption in its box (not below 7 points).
inline void fitFont(QDialog* d) {
    auto fits = [d] {
        const auto children = d->findChildren<QWidget*>();
        return std::all_of(children.begin(), children.end(), captionFits);
    };
    QFont font = d->font();
    while (font.pointSizeF() > 7.0 && !fits()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        d->setFont(font);
    }
}

}  // namespace dialogs
