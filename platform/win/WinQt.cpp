#include "platform/win/WinQt.h"

#include <QCoreApplication>
#include <QMoveEvent>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/win/WinHost.h"

namespace platform::win {
namespace {

struct Entry {
    QPointer<QWidget> widget;
    QMetaObject::Connection destroyedConnection;
    // Set while a Qt move event runs through the chain: the end of the chain
    // is then Qt's own handling of that event, not a WinMessageEvent.
    bool inQtMove = false;
};

std::map<HWND, Entry>& entries() {
    static std::map<HWND, Entry> e;
    return e;
}

LRESULT widgetBaseProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = entries().find(h);
    if (it == entries().end()) {
        return 0;
    }
    if (msg == WM_MOVE && it->second.inQtMove) {
        return 0;
    }
    QWidget* w = it->second.widget.data();
    if (w == nullptr) {  // being destroyed: nothing left to deliver to
        return 0;
    }
    WinMessageEvent event(msg, wParam, lParam);
    QCoreApplication::sendEvent(w, &event);
    return event.result();
}

// Sends Qt's move events through the chain before Qt handles them.
class MoveFilter final : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Move) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        const HWND h = handleOf(widget);
        auto it = entries().find(h);
        if (it == entries().end()) {
            return false;
        }
        const QPoint p = widget->geometry().topLeft();
        it->second.inQtMove = true;
        SendMessageA(h, WM_MOVE, 0, packPoint(p.x(), p.y()));
        // The chain may have destroyed the window meanwhile.
        it = entries().find(h);
        if (it != entries().end()) {
            it->second.inQtMove = false;
        }
        return false;
    }
};

MoveFilter& moveFilter() {
    static MoveFilter f;
    return f;
}

void forget(HWND h) {
    auto it = entries().find(h);
    if (it == entries().end()) {
        return;
    }
    QObject::disconnect(it->second.destroyedConnection);
    if (QWidget* w = it->second.widget.data()) {
        w->removeEventFilter(&moveFilter());
    }
    entries().erase(it);
}

}  // namespace

WinMessageEvent::WinMessageEvent(UINT msg, WPARAM wParam, LPARAM lParam)
    : QEvent(eventType()),
      msg_(msg),
      wParam_(wParam),
      lParam_(lParam),
      value_(lParam == 0 ? 0 : *reinterpret_cast<const int32_t*>(lParam)) {}

QEvent::Type WinMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

HWND registerWidget(QWidget* widget) {
    if (widget == nullptr) {
        return 0;
    }
    if (const HWND known = handleOf(widget)) {
        return known;
    }
    QPointer<QWidget> guarded(widget);
    auto handle = std::make_shared<HWND>(0);
    WindowHooks hooks;
    hooks.move = [guarded](int x, int y, int cx, int cy) {
        if (guarded) {
            guarded->setGeometry(x, y, std::max(cx, 0), std::max(cy, 0));
        }
    };
    // DestroyWindow called by the program forgets the widget too.
    hooks.forgotten = [handle] { forget(*handle); };
    const HWND h = RegisterWindowWithHooks(&widgetBaseProc, std::move(hooks));
    *handle = h;

    Entry entry;
    entry.widget = widget;
    // By the time destroyed() is emitted the widget part is gone (the guard
    // reads null), so the chain sees WM_DESTROY but nothing reaches the widget.
    entry.destroyedConnection =
        QObject::connect(widget, &QObject::destroyed, [h] { DestroyWindow(h); });
    entries().emplace(h, std::move(entry));
    widget->installEventFilter(&moveFilter());
    return h;
}

QWidget* widgetFor(HWND h) {
    auto it = entries().find(h);
    return it == entries().end() ? nullptr : it->second.widget.data();
}

HWND handleOf(const QWidget* widget) {
    if (widget == nullptr) {
        return 0;
    }
    for (const auto& [h, e] : entries()) {
        if (e.widget.data() == widget) {
            return h;
        }
    }
    return 0;
}

}  // namespace platform::win
