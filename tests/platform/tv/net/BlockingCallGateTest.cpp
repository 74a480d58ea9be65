// While the card's scan runs its own event loop, nothing of the program
// runs: its windows get no input and no timer ticks (they are still
// painted), while the card's box and the machinery that is not a window
// (the network, the sound) go on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>

#include "platform/tv/net/BlockingCallGate.h"

using platform::tv::net::BlockingCallGate;

namespace {

void typeInto(QWidget* w, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

TEST(BlockingCallGate, TheProgramsWindowsGetNoInputAndNoTicksWhileTheCardsBoxDoes) {
    QWidget program;
    auto* programBox = new QLineEdit(&program);
    auto* recordingTimer = new QTimer(&program);  // as the main window's Timer1
    int programTicks = 0;
    QObject::connect(recordingTimer, &QTimer::timeout, [&] { ++programTicks; });
    recordingTimer->start(1);

    QWidget cardBox;
    auto* cardLine = new QLineEdit(&cardBox);
    QTimer network;  // not a window: goes on
    int networkTicks = 0;
    QObject::connect(&network, &QTimer::timeout, [&] { ++networkTicks; });
    network.start(1);

    {
        const BlockingCallGate gate({&cardBox});
        while (networkTicks < 5) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        EXPECT_EQ(programTicks, 0);
        typeInto(programBox, QStringLiteral("a"));
        typeInto(cardLine, QStringLiteral("a"));
        EXPECT_EQ(programBox->text(), QString());
        EXPECT_EQ(cardLine->text(), QStringLiteral("a"));

        QCloseEvent close;
        EXPECT_FALSE(gate.lets(&program, &close));
        QPaintEvent paint(QRect(0, 0, 10, 10));
        EXPECT_TRUE(gate.lets(programBox, &paint)) << "the program's windows are still painted";
    }
    // The call has returned: the program runs again.
    while (programTicks == 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    typeInto(programBox, QStringLiteral("b"));
    EXPECT_EQ(programBox->text(), QStringLiteral("b"));
}

}  // namespace
