#include <QMoveEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/win/Win.h"
#include "platform/win/WinQt.h"

using namespace platform::win;

namespace {

std::vector<std::string> g_log;

// A widget that notes what reaches it, as the end of its procedure chain.
class NotingWidget final : public QWidget {
  public:
    using QWidget::QWidget;
    LRESULT answer = 0;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == WinMessageEvent::eventType()) {
            auto* m = static_cast<WinMessageEvent*>(e);
            g_log.push_back("widget:" + std::to_string(m->msg()) + ":" +
                            std::to_string(m->wParam()) + ":" + std::to_string(m->value()));
            m->setResult(answer);
            return true;
        }
        return QWidget::event(e);
    }
    void moveEvent(QMoveEvent* e) override {
        g_log.push_back("qt-move:" + std::to_string(e->pos().x()) + "," +
                        std::to_string(e->pos().y()));
    }
};

LRESULT hook(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_MOVE) {
        g_log.push_back("hook-move:" + std::to_string(l & 0xFFFF) + "," +
                        std::to_string((l >> 16) & 0xFFFF));
    } else {
        g_log.push_back("hook:" + std::to_string(msg));
    }
    return CallWindowProcA(GetPropA(h, "OldWndProc"), h, msg, w, l);
}

void installHook(HWND h) {
    SetPropA(h, "OldWndProc", SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(&hook)));
}

}  // namespace

class WinQtTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { g_log.clear(); }

    void registrationIsStable() {
        NotingWidget w;
        const HWND h = registerWidget(&w);
        QVERIFY(h != 0);
        QCOMPARE(registerWidget(&w), h);
        QCOMPARE(widgetFor(h), static_cast<QWidget*>(&w));
        QCOMPARE(handleOf(&w), h);
        QVERIFY(registerWidget(nullptr) == 0);
        QVERIFY(widgetFor(0) == nullptr);
    }

    void messagesAtTheEndOfTheChainReachTheWidget() {
        NotingWidget w;
        w.answer = 55;
        const HWND h = registerWidget(&w);
        installHook(h);
        int32_t value = 123;
        QCOMPARE(SendMessageA(h, 1040, 900, reinterpret_cast<LPARAM>(&value)), LRESULT{55});
        QCOMPARE(SendMessageA(h, 1027, 0, 0), LRESULT{55});
        const std::vector<std::string> expected = {"hook:1040", "widget:1040:900:123", "hook:1027",
                                                   "widget:1027:0:0"};
        QCOMPARE(g_log, expected);
    }

    void qtMovesGoThroughTheChainBeforeQtHandlesThem() {
        QWidget parent;
        parent.resize(300, 200);
        parent.show();
        auto* child = new NotingWidget(&parent);
        child->setGeometry(0, 0, 50, 50);
        child->show();
        const HWND h = registerWidget(child);
        installHook(h);
        g_log.clear();
        child->move(12, 34);
        const std::vector<std::string> expected = {"hook-move:12,34", "qt-move:12,34"};
        QCOMPARE(g_log, expected);
    }

    void setWindowPosSetsTheGeometry() {
        QWidget parent;
        auto* child = new NotingWidget(&parent);
        const HWND h = registerWidget(child);
        QVERIFY(SetWindowPos(h, 0, 0, 35, 626, 403, SWP_NOZORDER));
        QCOMPARE(child->geometry(), QRect(0, 35, 626, 403));
        QVERIFY(SetWindowPos(h, 0, 0, 35, -5, -20, SWP_NOZORDER));
        QCOMPARE(child->geometry().size(), QSize(0, 0));
    }

    void deletingTheWidgetSendsDestroyThroughTheChainFirst() {
        auto* w = new NotingWidget;
        const HWND h = registerWidget(w);
        installHook(h);
        delete w;
        // The widget is gone by then: only the chain sees WM_DESTROY.
        const std::vector<std::string> expected = {"hook:2"};
        QCOMPARE(g_log, expected);
        QVERIFY(!IsWindow(h));
        QVERIFY(widgetFor(h) == nullptr);
    }

    void destroyingTheHandleLeavesTheWidgetAlone() {
        QWidget parent;
        parent.resize(300, 200);
        parent.show();
        QPointer<NotingWidget> w = new NotingWidget(&parent);
        w->show();
        const HWND h = registerWidget(w);
        installHook(h);
        g_log.clear();
        DestroyWindow(h);
        const std::vector<std::string> expected = {"hook:2", "widget:2:0:0"};
        QCOMPARE(g_log, expected);
        QVERIFY(!IsWindow(h));
        QVERIFY(!w.isNull());
        QVERIFY(handleOf(w) == 0);
        // Its moves no longer reach the forgotten chain.
        g_log.clear();
        w->move(5, 6);
        const std::vector<std::string> after = {"qt-move:5,6"};
        QCOMPARE(g_log, after);
        // And a new registration gives a new handle.
        QVERIFY(registerWidget(w) != h);
    }

    void packsPointsAsWindowsDoes() {
        QCOMPARE(packPoint(12, 34), LPARAM{(34 << 16) | 12});
        QCOMPARE(packPoint(-1, 0), LPARAM{0xFFFF});
        QCOMPARE(packPoint(0, -1), LPARAM{0xFFFF0000LL});
    }
};

QTEST_MAIN(WinQtTest)
#include "WinQtTest.moc"
