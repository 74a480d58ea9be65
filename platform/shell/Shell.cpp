#include "platform/shell/Shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <string>
#include <string_view>

namespace platform::shell {

namespace {

// Values the system's shell gives: above 32 on success.
constexpr intptr_t kStarted = 33;
constexpr intptr_t kNoAssociation = 31;

QUrl urlOf(std::string_view target) {
    constexpr std::string_view kFileScheme = "file://";
    if (target.starts_with(kFileScheme)) {
        // The rest is a local path taken as it stands; parsing it as an
        // address would cut it at a '#' or '?' in a folder name.
        target.remove_prefix(kFileScheme.size());
        return QUrl::fromLocalFile(QString::fromUtf8(target.data(), qsizetype(target.size())));
    }
    return QUrl(QString::fromUtf8(target.data(), qsizetype(target.size())), QUrl::TolerantMode);
}

}  // namespace

intptr_t ShellExecuteA(win::HWND, const char*, const char* file, const char*, const char*, int) {
    // openUrl hands the address to the desktop's opener and does not wait
    // for the program it starts.
    const bool started = QDesktopServices::openUrl(urlOf(file ? file : ""));
    return started ? kStarted : kNoAssociation;
}

}  // namespace platform::shell
