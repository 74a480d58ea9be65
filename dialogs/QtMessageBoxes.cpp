#include "dialogs/QtMessageBoxes.h"

namespace dialogs {

namespace {

using namespace platform::shell;

QMessageBox::Icon iconOf(uint32_t style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

bool asksYesNo(uint32_t style) {
    return (style & MB_TYPEMASK) == MB_YESNO;
}

bool asksYesNoCancel(uint32_t style) {
    return (style & MB_TYPEMASK) == MB_YESNOCANCEL;
}

MessageBoxes* g_installed = nullptr;

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, const std::string& title,
                                            uint32_t style) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(QString::fromStdString(title.empty() ? kAppTitle : title));
    // The texts break lines the Windows way; a label wants a bare newline.
    box->setText(
        QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // A file name or a device's reason in the text is shown as it is, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconOf(style));
    // The boxes of this program ask Yes or No (or Yes, No or Cancel), or just
    // tell with OK. Escape answers No to a question, Cancel where there is
    // one: Qt takes them as the escape button.
    if (asksYesNoCancel(style)) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        const uint32_t def = style & MB_DEFMASK;
        box->setDefaultButton(def == MB_DEFBUTTON2   ? QMessageBox::No
                              : def == MB_DEFBUTTON3 ? QMessageBox::Cancel
                                                     : QMessageBox::Yes);
    } else if (asksYesNo(style)) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton((style & MB_DEFMASK) == MB_DEFBUTTON2 ? QMessageBox::No
                                                                    : QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

int answerOf(uint32_t style, int pressed) {
    if (asksYesNoCancel(style)) {
        return pressed == QMessageBox::Yes ? IDYES : pressed == QMessageBox::No ? IDNO : IDCANCEL;
    }
    if (asksYesNo(style)) {
        return pressed == QMessageBox::Yes ? IDYES : IDNO;
    }
    return IDOK;
}

int QtMessageBoxes::MessageBoxA(const std::string& text, const std::string& title, uint32_t style) {
    return answerOf(style, makeMessageBox(text, title, style)->exec());
}

MessageBoxes& programMessageBoxes() {
    static QtMessageBoxes real;
    return g_installed ? *g_installed : real;
}

void setProgramMessageBoxes(MessageBoxes* boxes) {
    g_installed = boxes;
}

}  // namespace dialogs
