#include "platform/playback/DefaultOutput.h"

#include <QMediaDevices>
#include <QtGlobal>

namespace platform::playback {

namespace {

QtMessageHandler g_previousHandler = nullptr;

void dropSoundServerComplaints(QtMsgType type, const QMessageLogContext& context,
                               const QString& message) {
    if (message.startsWith(QLatin1String("PulseAudioService:"))) {
        return;
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    }
}

}  // namespace

QAudioDevice defaultOutputQuietly() {
    g_previousHandler = qInstallMessageHandler(&dropSoundServerComplaints);
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(g_previousHandler);
    return device;
}

}  // namespace platform::playback
