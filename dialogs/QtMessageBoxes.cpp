#include "dialogs/QtMessageBoxes.h"

namespace dialogs {

namespace {

QMessageBox::Icon iconOf(uint32_t style) {
    switch (style & platform::shell::MB_ICONMASK) {
        case platform::shell::MB_ICONERROR:
            return QMessageBox::Critical;
        case platform::shell::MB_ICONWARNING:
            return QMessageBox::Warning;
        case platform::shell::MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

platform::shell::MessageBoxes* g_installed = nullptr;

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, const std::string& title,
                                            uint32_t style) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(QString::fromStdString(title));
    // The texts break lines the Windows way; a label wants a bare newline.
    box->setText(
        QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconOf(style));
    // Every box of this program has OK only.
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

void QtMessageBoxes::MessageBoxA(const std::string& text, const std::string& title,
                                 uint32_t style) {
    makeMessageBox(text, title, style)->exec();
}

platform::shell::MessageBoxes& programMessageBoxes() {
    static QtMessageBoxes real;
    return g_installed ? *g_installed : real;
}

void setProgramMessageBoxes(platform::shell::MessageBoxes* boxes) {
    g_installed = boxes;
}

}  // namespace dialogs
