// The real message boxes: what each style shows, and what the keys and
// buttons a user presses answer, through the box's own event loop.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <string>

#include "dialogs/QtMessageBoxes.h"
#include "platform/shell/MessageBox.h"

using namespace platform::shell;

namespace {

// The message box on screen, if any.
QMessageBox* shownBox() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

// Shows a real box and lets `user` act on it once its loop runs; returns
// the answer, or -1 when no box came up.
int answerTo(uint32_t style, const std::function<void(QMessageBox&)>& user) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (QMessageBox* box = shownBox()) {
            seen = true;
            user(*box);
        }
    });
    dialogs::QtMessageBoxes boxes;
    const int answer = boxes.MessageBoxA("Will you continue?", "Question", style);
    return seen ? answer : -1;
}

}  // namespace

Q_DECLARE_METATYPE(QMessageBox::Icon)
Q_DECLARE_METATYPE(QMessageBox::StandardButtons)
Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class MessageBoxesTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void styleChoosesButtonsDefaultAndIcon_data() {
        QTest::addColumn<uint>("style");
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::addColumn<QMessageBox::StandardButtons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
        const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
        QTest::newRow("ok") << uint{MB_OK} << QMessageBox::NoIcon
                            << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
        QTest::newRow("ok error") << uint{MB_OK | MB_ICONERROR} << QMessageBox::Critical
                                  << QMessageBox::StandardButtons(QMessageBox::Ok)
                                  << QMessageBox::Ok;
        QTest::newRow("ok warning")
            << uint{MB_OK | MB_ICONWARNING} << QMessageBox::Warning
            << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
        QTest::newRow("ok information")
            << uint{MB_OK | MB_ICONINFORMATION} << QMessageBox::Information
            << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
        QTest::newRow("yes no") << uint{MB_YESNO} << QMessageBox::NoIcon << yesNo
                                << QMessageBox::Yes;
        QTest::newRow("yes no, first default")
            << uint{MB_YESNO | MB_DEFBUTTON1} << QMessageBox::NoIcon << yesNo << QMessageBox::Yes;
        QTest::newRow("yes no, second default")
            << uint{MB_YESNO | MB_DEFBUTTON2} << QMessageBox::NoIcon << yesNo << QMessageBox::No;
        QTest::newRow("yes no information")
            << uint{MB_YESNO | MB_ICONINFORMATION} << QMessageBox::Information << yesNo
            << QMessageBox::Yes;
        const QMessageBox::StandardButtons yesNoCancel = yesNo | QMessageBox::Cancel;
        QTest::newRow("yes no cancel") << uint{MB_YESNOCANCEL | MB_ICONWARNING}
                                       << QMessageBox::Warning << yesNoCancel << QMessageBox::Yes;
        QTest::newRow("yes no cancel, third default")
            << uint{MB_YESNOCANCEL | MB_DEFBUTTON3} << QMessageBox::NoIcon << yesNoCancel
            << QMessageBox::Cancel;
    }
    void styleChoosesButtonsDefaultAndIcon() {
        QFETCH(uint, style);
        QFETCH(QMessageBox::Icon, icon);
        QFETCH(QMessageBox::StandardButtons, buttons);
        QFETCH(QMessageBox::StandardButton, defaultButton);
        const auto box = dialogs::makeMessageBox("text", "Title", style);
        QCOMPARE(box->icon(), icon);
        QCOMPARE(box->standardButtons(), buttons);
        QVERIFY(box->defaultButton() != nullptr);
        QCOMPARE(box->standardButton(box->defaultButton()), defaultButton);
    }

    void titleAndTextAreShownAsGiven() {
        const auto named = dialogs::makeMessageBox("a", "Auto Scan", MB_OK);
        QCOMPARE(named->windowTitle(), QStringLiteral("Auto Scan"));
        const auto unnamed = dialogs::makeMessageBox("a", "", MB_YESNO);
        QCOMPARE(unnamed->windowTitle(), QStringLiteral("Cuelark"));

        // Windows line breaks become the label's; markup in a file name stays text.
        const auto box = dialogs::makeMessageBox("Cannot open <b>x</b>.wav\r\nNo space", "", MB_OK);
        QCOMPARE(box->text(), QStringLiteral("Cannot open <b>x</b>.wav\nNo space"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
    }

    void keysAnswerAsTheButtonsSay_data() {
        QTest::addColumn<uint>("style");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok, Enter") << uint{MB_OK} << int{Qt::Key_Return} << IDOK;
        QTest::newRow("ok, Escape") << uint{MB_OK | MB_ICONERROR} << int{Qt::Key_Escape} << IDOK;
        QTest::newRow("yes no, Enter") << uint{MB_YESNO} << int{Qt::Key_Return} << IDYES;
        QTest::newRow("yes no, Escape") << uint{MB_YESNO} << int{Qt::Key_Escape} << IDNO;
        QTest::newRow("no default, Enter")
            << uint{MB_YESNO | MB_DEFBUTTON2} << int{Qt::Key_Return} << IDNO;
        QTest::newRow("no default, Escape")
            << uint{MB_YESNO | MB_DEFBUTTON2} << int{Qt::Key_Escape} << IDNO;
        QTest::newRow("yes no cancel, Enter")
            << uint{MB_YESNOCANCEL} << int{Qt::Key_Return} << IDYES;
        QTest::newRow("yes no cancel, Escape")
            << uint{MB_YESNOCANCEL} << int{Qt::Key_Escape} << IDCANCEL;
    }
    void keysAnswerAsTheButtonsSay() {
        QFETCH(uint, style);
        QFETCH(int, key);
        QFETCH(int, answer);
        const int got = answerTo(
            style, [key](QMessageBox& box) { QTest::keyClick(&box, static_cast<Qt::Key>(key)); });
        QCOMPARE(got, answer);
        QVERIFY(shownBox() == nullptr);
    }

    void clickedButtonsAnswerThemselves() {
        auto click = [](QMessageBox::StandardButton which) {
            return [which](QMessageBox& box) { box.button(which)->click(); };
        };
        QCOMPARE(answerTo(MB_YESNO | MB_DEFBUTTON2, click(QMessageBox::Yes)), IDYES);
        QCOMPARE(answerTo(MB_YESNO, click(QMessageBox::No)), IDNO);
        QCOMPARE(answerTo(MB_OK | MB_ICONINFORMATION, click(QMessageBox::Ok)), IDOK);
        // Closing a question's window answers No, as Escape does.
        QCOMPARE(answerTo(MB_YESNO, [](QMessageBox& box) { box.close(); }), IDNO);
        QCOMPARE(answerTo(MB_YESNOCANCEL, click(QMessageBox::No)), IDNO);
        // ...and a Yes/No/Cancel question's Cancel, as its Escape does.
        QCOMPARE(answerTo(MB_YESNOCANCEL, [](QMessageBox& box) { box.close(); }), IDCANCEL);
    }

    void installedBoxesStandInForTheRealOnes() {
        struct Counting final : MessageBoxes {
            int calls = 0;
            int MessageBoxA(const std::string&, const std::string&, uint32_t) override {
                ++calls;
                return IDNO;
            }
        } counting;
        dialogs::setProgramMessageBoxes(&counting);
        QCOMPARE(dialogs::programMessageBoxes().MessageBoxA("q", "", MB_YESNO), IDNO);
        QCOMPARE(counting.calls, 1);
        dialogs::setProgramMessageBoxes(nullptr);
        QVERIFY(dynamic_cast<dialogs::QtMessageBoxes*>(&dialogs::programMessageBoxes()) != nullptr);
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "MessageBoxesTest.moc"
