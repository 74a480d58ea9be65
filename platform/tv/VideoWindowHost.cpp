#include "platform/tv/VideoWindowHost.h"

#include <QResizeEvent>

#include "platform/win/WinQt.h"

namespace platform::tv {

VideoWindowHost::VideoWindowHost(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ATIVideoWindow"));
    // The card's window covers it all; black shows only between cards.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

VideoWindowHost::~VideoWindowHost() {
    // Deleted by its parent, the host never sees WM_DESTROY itself: its card
    // must still learn the window is gone.
    if (handler_) {
        handler_(win::WM_DESTROY, 0, 0);
    }
}

bool VideoWindowHost::event(QEvent* e) {
    if (e->type() == win::WinMessageEvent::eventType()) {
        auto* m = static_cast<win::WinMessageEvent*>(e);
        if (handler_) {
            handler_(m->msg(), m->wParam(), m->lParam());
        }
        return true;
    }
    return QWidget::event(e);
}

void VideoWindowHost::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (resized_) {
        resized_(e->size().width(), e->size().height());
    }
}

}  // namespace platform::tv
