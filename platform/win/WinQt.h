#pragma once
// Real widgets as windows of the message layer.
//
// A handle names one registered QWidget for as long as both exist: the handle
// is forgotten when the widget is destroyed or when DestroyWindow is called
// on it, whichever comes first, and is never given to another window. The
// widget is not owned: DestroyWindow leaves deleting it to its Qt parent.
//
// A message that reaches the end of a widget window's procedure chain is
// delivered to the widget at once (QCoreApplication::sendEvent) as a
// WinMessageEvent. Qt's own move events first go through the chain as
// WM_MOVE (lParam = x in the low 16 bits, y in the high 16, relative to the
// parent, or the screen for a top-level window); at the end of the chain the
// widget's own move handling follows. A widget being destroyed sends WM_DESTROY
// through the chain first.
#include <QEvent>
#include <QWidget>
#include <cstdint>

#include "platform/win/Win.h"

namespace platform::win {

class WinMessageEvent final : public QEvent {
  public:
    WinMessageEvent(UINT msg, WPARAM wParam, LPARAM lParam);
    static QEvent::Type eventType();

    UINT msg() const { return msg_; }
    WPARAM wParam() const { return wParam_; }
    LPARAM lParam() const { return lParam_; }
    // The 32-bit value lParam points at (0 when lParam is 0): every message
    // this program sends carries its lParam that way.
    int32_t value() const { return value_; }

    // What the procedure chain returns for this message (0 unless set).
    void setResult(LRESULT r) { result_ = r; }
    LRESULT result() const { return result_; }

  private:
    UINT msg_ = 0;
    WPARAM wParam_ = 0;
    LPARAM lParam_ = 0;
    int32_t value_ = 0;
    LRESULT result_ = 0;
};

// Registers the widget and returns its handle; the same handle again for a
// widget that is registered already.
HWND registerWidget(QWidget* widget);
// The widget a handle names, or nullptr.
QWidget* widgetFor(HWND h);
// The handle of a registered widget, or 0.
HWND handleOf(const QWidget* widget);

// Position packed as WM_MOVE carries it.
inline LPARAM packPoint(int x, int y) {
    return static_cast<LPARAM>((static_cast<uint32_t>(x) & 0xFFFFu) |
                               ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

}  // namespace platform::win
