#include "platform/tv/net/BlockingCallGate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace platform::tv::net {
namespace {

bool isUserInput(QEvent::Type t) {
    switch (t) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::NonClientAreaMouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

// A window, or something a window owns (its timers among them).
bool belongsToAWindow(QObject* o) {
    for (; o != nullptr; o = o->parent()) {
        if (o->isWidgetType() || o->isWindowType()) {
            return true;
        }
    }
    return false;
}

}  // namespace

BlockingCallGate::BlockingCallGate(std::vector<QWidget*> allowed) {
    for (QWidget* w : allowed) {
        allowed_.emplace_back(w);
    }
    QCoreApplication::instance()->installEventFilter(this);
}

BlockingCallGate::~BlockingCallGate() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

bool BlockingCallGate::isAllowed(QObject* receiver) const {
    for (const QPointer<QWidget>& w : allowed_) {
        if (w.isNull()) {
            continue;
        }
        if (receiver->isWindowType() && receiver == w->windowHandle()) {
            return true;
        }
        for (QObject* o = receiver; o != nullptr; o = o->parent()) {
            if (o == w.data()) {
                return true;
            }
        }
    }
    return false;
}

bool BlockingCallGate::lets(QObject* receiver, const QEvent* event) const {
    const QEvent::Type t = event->type();
    if (!isUserInput(t) && t != QEvent::Timer) {
        return true;  // painting, layout, the network's and the sound's work
    }
    if (isAllowed(receiver)) {
        return true;
    }
    return t == QEvent::Timer && !belongsToAWindow(receiver);
}

bool BlockingCallGate::eventFilter(QObject* receiver, QEvent* event) {
    if (lets(receiver, event)) {
        return false;
    }
    // A close asked for is refused, not just unheard.
    event->ignore();
    return true;
}

}  // namespace platform::tv::net
