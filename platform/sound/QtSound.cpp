#include "platform/sound/QtSound.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include "platform/sound/SoundSetup.h"
#include "platform/sound/SystemInput.h"

namespace platform::sound {

namespace {
constexpr int kPumpMilliseconds = 50;
QPointer<QTimer> g_pumpTimer;
}  // namespace

void installQtSound() {
    setSystemInputFactory(makeSystemInput);
    // A recording still running when the program ends is not saved; its
    // capture must end while Qt's sound devices still exist.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QObject::connect(app, &QCoreApplication::aboutToQuit,
                         [] { soundDriver().execute("close all"); });
    }
    setPumpScheduler([](bool pumping) {
        if (!g_pumpTimer) {
            // Owned by the application, so it goes before Qt does.
            g_pumpTimer = new QTimer(QCoreApplication::instance());
            g_pumpTimer->setInterval(kPumpMilliseconds);
            QObject::connect(g_pumpTimer.data(), &QTimer::timeout, [] { pumpAll(); });
        }
        if (pumping) {
            g_pumpTimer->start();
        } else {
            g_pumpTimer->stop();
        }
    });
}

}  // namespace platform::sound
