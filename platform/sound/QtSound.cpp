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
