// The program's one Review window, on the program's save directory, message
// boxes, default sound output and the user's own study settings.
#include <QFileDialog>
#include <cstdlib>

#include "app/modMain.h"
#include "dialogs/QtMessageBoxes.h"
#include "study/window/frmReview.h"

namespace {
// A recording offered before the window was first made.
std::string g_offered;
frmReview* g_window = nullptr;
}  // namespace

frmReview& frmReview::instance() {
    if (g_window == nullptr) {
        Services services;
        services.saveDir = [] { return g_sSaveDir; };
        services.boxes = &dialogs::programMessageBoxes();
        services.makeOutput = &platform::playback::makeDefaultAudioOut;
        services.chooseScript = [](QWidget* parent, const std::string& startDir) {
            return QFileDialog::getOpenFileName(parent, QObject::tr("Open a Recording"),
                                                QString::fromStdString(startDir),
                                                QObject::tr("Scripts (*.txt)"))
                .toStdString();
        };
        services.settingsPath =
            study::studySettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
        // Kept to the end of the process, like the program's dialogs.
        g_window = new frmReview(std::move(services));
        if (!g_offered.empty()) {
            g_window->offer(g_offered);
        }
    }
    return *g_window;
}

void frmReview::showWindow() {
    instance().bringUp();
}

void frmReview::offerRecording(const std::string& scriptPath) {
    g_offered = scriptPath;
    if (g_window != nullptr) {
        g_window->offer(scriptPath);
    }
}
