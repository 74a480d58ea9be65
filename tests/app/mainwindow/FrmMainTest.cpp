// The main window as the user meets it: its strip of controls and menus, what
// it asks of the card when it opens and closes, and its handlers end to end.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "captions/modWndproc.h"
#include "platform/shell/MessageBox.h"
#include "platform/tv/TestCard.h"
#include "platform/win/Win.h"
#include "platform/win/WinQt.h"
#include "study/model/Recording.h"
#include "study/window/frmReview.h"
#include "tests/support/FakeMessageBoxes.h"
#include "tuner/ChannelTable.h"
#include "tuner/VideoWindow.h"

using platform::tv::TestCard;

namespace {

using testsupport::FakeMessageBoxes;

std::vector<std::string> without(std::vector<std::string> names, const std::string& name) {
    std::erase(names, name);
    return names;
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    TestCard* card_ = nullptr;
    FakeMessageBoxes boxes_;
    std::unique_ptr<frmMain> window_;

    void newCard(int32_t channels) {
        auto card = std::make_unique<TestCard>(channels);
        card_ = card.get();
        platform::tv::setCurrentCard(std::move(card));
    }
    frmMain& open() {
        window_ = std::make_unique<frmMain>(&boxes_);
        const platform::Status loaded = window_->Form_Load();
        if (!loaded) {
            qFatal("load failed: %s", loaded.message().c_str());
        }
        return *window_;
    }
    // What the card was asked, leaving out moves made by the platform itself.
    std::vector<std::string> cardCalls() const {
        return without(without(card_->callNames(), "WM_MOVE"), "SetWindowPos");
    }

  private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(dir_.filePath(QStringLiteral("cuelark.ini")));
        StartUp(dir_.filePath(QStringLiteral("cuelark")).toStdString());
        newCard(62);
        boxes_ = FakeMessageBoxes{};
    }
    void cleanup() {
        if (window_) {
            window_->close();
        }
        window_.reset();
        platform::tv::setCurrentCard(nullptr);
    }

    void controlStripLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        // Pixels of 15 twips: left, top, width, height.
        QTest::newRow("Label1") << "Label1"
                                << "Script &Name" << QRect(112, 8, 65, 17);
        QTest::newRow("txtScriptName") << "txtScriptName"
                                       << "untitled" << QRect(184, 8, 105, 19);
        QTest::newRow("Label3") << "Label3"
                                << "D&uration" << QRect(296, 8, 49, 17);
        QTest::newRow("txtDuration") << "txtDuration"
                                     << "600" << QRect(344, 8, 33, 19);
        QTest::newRow("Label2") << "Label2"
                                << "Remaining Time" << QRect(384, 3, 57, 33);
        QTest::newRow("lblRemaining") << "lblRemaining"
                                      << "0" << QRect(440, 8, 41, 19);
        QTest::newRow("cmdRecord") << "cmdRecord"
                                   << "&Record" << QRect(488, 8, 49, 21);
        QTest::newRow("txtChannel") << "txtChannel"
                                    << "3" << QRect(24, 8, 33, 17);
        QTest::newRow("cmdChannelDown") << "cmdChannelDown"
                                        << "<" << QRect(8, 8, 17, 19);
        QTest::newRow("cmdChannelUp") << "cmdChannelUp"
                                      << ">" << QRect(56, 8, 17, 19);
        QTest::newRow("cmdChannelGo") << "cmdChannelGo"
                                      << "&Go" << QRect(72, 8, 33, 19);
        QTest::newRow("cmdCheck") << "cmdCheck"
                                  << "&Check" << QRect(536, 8, 49, 21);
        QTest::newRow("lblChecks") << "lblChecks"
                                   << "0" << QRect(592, 8, 33, 19);
    }
    void controlStripLayout() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        frmMain& w = open();
        QWidget* control = w.client->findChild<QWidget*>(name);
        QVERIFY2(control != nullptr, qPrintable(name));
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->property("text").toString(), caption);
        QVERIFY(control->geometry().bottom() <= 35);  // inside the control strip
    }

    void windowAndInitialStates() {
        frmMain& w = open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("Cuelark"));
        QCOMPARE(w.client->size(), QSize(631, 478));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(w.cmdRecord->isDefault());
        QVERIFY(!w.cmdCheck->isEnabled());
        QVERIFY(!w.Timer1->isActive());
        QVERIFY(w.font().pointSizeF() <= 9.0);
        // Whatever font stands in, every label shows its whole caption.
        for (QLabel* label : {w.Label1, w.Label3, w.lblRemaining, w.lblChecks}) {
            const QString shown = QString(label->text()).remove(QLatin1Char('&'));
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(shown) <= label->width(),
                     qPrintable(label->objectName()));
        }
        const QRect twoLines = QFontMetrics(w.Label2->font())
                                   .boundingRect(QRect(0, 0, w.Label2->width(), 1000),
                                                 Qt::TextWordWrap, w.Label2->text());
        QVERIFY(twoLines.width() <= w.Label2->width());
        QVERIFY(twoLines.height() <= w.Label2->height());
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(32, 32)));
        w.activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.txtScriptName));
    }

    void tabOrderAndMnemonics() {
        frmMain& w = open();
        const std::vector<QWidget*> order = {w.txtScriptName, w.txtDuration,    w.cmdRecord,
                                             w.txtChannel,    w.cmdChannelDown, w.cmdChannelUp,
                                             w.cmdChannelGo,  w.cmdCheck};
        for (std::size_t i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus) {
                next = next->nextInFocusChain();
            }
            QCOMPARE(next, order[i + 1]);
        }
        QCOMPARE(w.Label1->buddy(), static_cast<QWidget*>(w.txtScriptName));
        QCOMPARE(w.Label3->buddy(), static_cast<QWidget*>(w.txtDuration));
    }

    void menusInBarOrder() {
        frmMain& w = open();
        const QList<QAction*> bar = w.menuBar()->actions();
        QStringList captions;
        for (QAction* a : bar) {
            captions << a->text();
        }
        QCOMPARE(captions, (QStringList{"&File", "&Edit", "&Script", "&Tuner", "&Help"}));
        auto items = [](QMenu* m) {
            QStringList list;
            for (QAction* a : m->actions()) {
                list << a->objectName() + "=" + a->text() + (a->isEnabled() ? "" : " (greyed)");
            }
            return list;
        };
        QCOMPARE(items(w.mnuFile), QStringList{"mnuExit=E&xit"});
        QCOMPARE(items(w.mnuEdit), (QStringList{"mnuCut=Cu&t (greyed)", "mnuCopy=&Copy (greyed)",
                                                "mnuPaste=&Paste (greyed)"}));
        QCOMPARE(items(w.mnuScript),
                 (QStringList{"mnuGeneralSettings=&General Settings...",
                              "mnuRecordingQuality=Recording &Quality...",
                              "mnuReviewRecording=Review Recording...",
                              "mnuAllCaptionModes=Record Roll-up and Paint-on Captions"}));
        QCOMPARE(w.mnuReviewRecording->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(items(w.mnuTuner), QStringList{"mnuAutoScan=&Auto Scan"});
        QCOMPARE(items(w.mnuHelp),
                 (QStringList{"mnuContents=&Contents", "mnuAbout=&About Cuelark..."}));
    }

    void allCaptionModesIsKeptInTheSettingsFile() {
        frmMain& w = open();
        QVERIFY(w.mnuAllCaptionModes->isCheckable());
        QVERIFY(!w.mnuAllCaptionModes->isChecked());  // off without a settings file
        QVERIFY(!g_ccFactory->allCaptionModes());

        w.mnuAllCaptionModes->trigger();
        QVERIFY(w.mnuAllCaptionModes->isChecked());
        QCOMPARE(ReadSetting("AllCaptionModes", ""), std::string("1"));
        QVERIFY(g_ccFactory->allCaptionModes());

        // The next start reads it back, and the decoder has it from the start.
        w.close();
        window_.reset();
        StartUp(dir_.filePath(QStringLiteral("cuelark")).toStdString());
        QVERIFY(g_ccFactory->allCaptionModes());
        newCard(62);
        frmMain& again = open();
        QVERIFY(again.mnuAllCaptionModes->isChecked());

        again.mnuAllCaptionModes->trigger();
        QCOMPARE(ReadSetting("AllCaptionModes", ""), std::string("0"));
        QVERIFY(!g_ccFactory->allCaptionModes());
    }

    void cardMenuItemsFollowAutoScanAndRunTheirAction() {
        int chosen = 0;
        card_->setMenuItems({{"&Source...", "mnuCardSource", [&chosen] { ++chosen; }}});
        frmMain& w = open();
        const QList<QAction*> items = w.mnuTuner->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0], w.mnuAutoScan);
        QCOMPARE(items[1]->text(), QStringLiteral("&Source..."));
        QCOMPARE(items[1]->objectName(), QStringLiteral("mnuCardSource"));
        items[1]->trigger();
        QCOMPARE(chosen, 1);
    }

    void loadAsksTheCardInOrder() {
        frmMain& w = open();
        const std::vector<std::string> expected = {
            "DVALoad", "DVATuneChannels",   "CreateVideoWindow",
            "1027",    "DVAAudioSetVolume", "DVASetProperty",
            "1040",    "DVATuneSetChannel"};
        QCOMPARE(cardCalls(), expected);
        const VideoRect r = w.videoRect();
        const QRect outer = w.frameGeometry();
        QCOMPARE(r.right, outer.width() - 5);
        QCOMPARE(r.bottom, outer.height() - 40);
        const std::vector<std::string> texts = card_->callTexts();
        auto has = [&](const std::string& t) {
            return std::find(texts.begin(), texts.end(), t) != texts.end();
        };
        QVERIFY(has("1027(0, 0)"));
        QVERIFY(has("DVAAudioSetVolume(0, 500)"));
        QVERIFY(has("DVASetProperty(0, 12, 1)"));
        QVERIFY(has("1040(" + std::to_string(w.hWnd()) + ", 123)"));
        QVERIFY(has("DVATuneSetChannel(0, 3)"));
        const platform::tv::CardCall& create = card_->calls()[2];
        QCOMPARE(create.args[2], int64_t{0});
        QCOMPARE(create.args[3], int64_t{35});
        QCOMPARE(create.args[4], int64_t{r.right});
        QCOMPARE(create.args[5], int64_t{r.bottom});
        QCOMPARE(g_hVideoWnd, card_->videoWindow());
        QCOMPARE(g_nChannels, 62);
        QCOMPARE(g_nCurChannel, 3);
        QCOMPARE(w.txtChannel->text(), QStringLiteral("3"));
        QVERIFY(platform::win::GetPropA(w.hWnd(), kOldWndProcProp) != 0);
    }

    void failingLoadIsReported() {
        card_->failLoad("Cannot load atitv: no such card");
        frmMain w(&boxes_);
        const platform::Status loaded = w.Form_Load();
        QVERIFY(!loaded);
        QCOMPARE(QString::fromStdString(loaded.message()),
                 QStringLiteral("Cannot load atitv: no such card"));
        QCOMPARE(card_->callNames(), std::vector<std::string>{"DVALoad"});
        QCOMPARE(w.hWnd(), platform::win::HWND{0});
    }

    void closeAndExitTakeTheSamePath() {
        std::vector<std::vector<std::string>> paths;
        for (bool viaMenu : {false, true}) {
            newCard(62);
            frmMain& w = open();
            const platform::win::HWND h = w.hWnd();
            w.show();
            card_->clearCalls();
            if (viaMenu) {
                w.mnuExit->trigger();
            } else {
                w.close();
            }
            QVERIFY(!w.isVisible());
            QVERIFY(!platform::win::IsWindow(h));
            paths.push_back(cardCalls());
            window_.reset();
        }
        QCOMPARE(paths[0], (std::vector<std::string>{"1028", "DVAFree"}));
        QCOMPARE(paths[1], paths[0]);
    }

    void closingWhileRecordingStopsTheRecordingFirst() {
        frmMain& w = open();
        g_sSaveDir = dir_.path().toStdString();
        w.txtScriptName->setText(QStringLiteral("closing"));
        QTest::mouseClick(w.cmdRecord, Qt::LeftButton);
        QCOMPARE(w.cmdRecord->text(), QStringLiteral("&Stop"));
        card_->clearCalls();
        w.close();
        // The recording's stop brackets its saving with 1035, then the window unloads.
        QCOMPARE(cardCalls(), (std::vector<std::string>{"1035", "1035", "1028", "DVAFree"}));
        QCOMPARE(w.cmdRecord->text(), QStringLiteral("&Record"));
        QVERIFY(QFile::exists(dir_.filePath(QStringLiteral("closing.txt"))));
    }

    void reviewRecordingOffersTheRecordingJustMadeInOneWindow() {
        // The Review window remembers its choices in the user's own folder.
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
        frmMain& w = open();
        w.show();
        g_sSaveDir = dir_.path().toStdString();
        w.txtScriptName->setText(QStringLiteral("offered"));
        QTest::mouseClick(w.cmdRecord, Qt::LeftButton);
        QTest::mouseClick(w.cmdRecord, Qt::LeftButton);
        QCOMPARE(w.cmdRecord->text(), QStringLiteral("&Record"));

        w.mnuReviewRecording->trigger();
        frmReview& review = frmReview::instance();
        QVERIFY(review.isVisible());
        QVERIFY(review.fraOffer->isVisible());
        QCOMPARE(review.lblOffer->text(), QStringLiteral("Just recorded: \u201Coffered\u201D."));
        w.mnuReviewRecording->trigger();
        int windows = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            windows += dynamic_cast<frmReview*>(top) != nullptr && top->isVisible() ? 1 : 0;
        }
        QCOMPARE(windows, 1);
        review.cmdOpenOffered->click();
        QVERIFY(review.recording() != nullptr);
        QCOMPARE(QString::fromStdString(review.recording()->scriptPath()),
                 dir_.filePath(QStringLiteral("offered.txt")));
        review.close();
    }

    void unloadSavesTheChannelTable() {
        frmMain& w = open();
        g_bChannels.set(1, false);
        g_bChannels.set(40, false);
        QCOMPARE(ReadSetting("Channels1", "none"), std::string("none"));  // not before the close
        w.close();
        QCOMPARE(ReadSetting("Channels1", ""), "0" + std::string(31, '1'));
        QCOMPARE(ReadSetting("Channels2", ""), std::string(7, '1') + "0" + std::string(22, '1'));
        QCOMPARE(ReadSetting("Channels3", "x"), std::string());
        QCOMPARE(ReadSetting("Channels4", "x"), std::string());

        // The next start restores it.
        newCard(62);
        open();
        QVERIFY(!g_bChannels.at(1));
        QVERIFY(!g_bChannels.at(40));
        QVERIFY(g_bChannels.at(2));
    }

    void resizeMovesTheVideoWindowOnceItExists() {
        frmMain before(&boxes_);
        before.show();
        before.resize(700, 500);  // no video window yet: nothing is asked of the card
        QCoreApplication::processEvents();
        QVERIFY(card_->calls().empty());
        before.close();

        frmMain& w = open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        card_->clearCalls();
        w.resize(800, 600);
        QTRY_VERIFY(!card_->calls().empty());
        const VideoRect r = w.videoRect();
        QVERIFY(!card_->calls().empty());
        const platform::tv::CardCall& last = card_->calls().back();
        QCOMPARE(last.name, std::string("SetWindowPos"));
        QCOMPARE(last.args, (std::vector<int64_t>{0, 35, r.right, r.bottom - 35}));
    }

    void movesAndCaptionsReachTheirTargets() {
        frmMain& w = open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        card_->clearCalls();
        w.move(w.x() + 40, w.y() + 30);
        QTRY_VERIFY(!card_->calls().empty());
        const platform::tv::CardCall& moved = card_->calls().back();
        QCOMPARE(moved.name, std::string("WM_MOVE"));
        const QPoint p = w.geometry().topLeft();
        QCOMPARE(moved.args[1],
                 int64_t{static_cast<int32_t>(platform::win::packPoint(p.x(), p.y()))});
        QCOMPARE(card_->captionTarget(), w.hWnd());
    }

    void enterInATextBoxPressesRecordNotGo() {
        frmMain& w = open();
        w.show();
        w.txtScriptName->clear();  // Record then answers with its message and starts nothing
        w.txtChannel->setText(QStringLiteral("abc"));
        card_->clearCalls();
        for (QLineEdit* box : {w.txtChannel, w.txtDuration, w.txtScriptName}) {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Return);
        }
        // Go would have said "Input proper number".
        QCOMPARE(boxes_.texts(), (std::vector<std::string>(3, "Input script name")));
        QVERIFY(cardCalls().empty());
    }

    // Enter on a button that has the focus presses that button.
    void enterOnAFocusedButtonPressesIt() {
        frmMain& w = open();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtScriptName->clear();
        w.txtChannel->setFocus();
        auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.cmdChannelDown);
        press(Qt::Key_Return);
        QCOMPARE(w.txtChannel->text(), QStringLiteral("2"));
        press(Qt::Key_Tab);
        press(Qt::Key_Return);
        press(Qt::Key_Return);
        QCOMPARE(w.txtChannel->text(), QStringLiteral("4"));
        w.txtChannel->setText(QStringLiteral("abc"));
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.cmdChannelGo);
        press(Qt::Key_Return);
        QCOMPARE(boxes_.texts(), std::vector<std::string>{"Input proper number"});
        w.cmdRecord->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(boxes_.texts().back(), std::string("Input script name"));
        QCOMPARE(boxes_.shown.size(), std::size_t{2});
    }

    void everyBoxOfTheWindowReachesTheSameBoxes() {
        frmMain& w = open();
        w.txtChannel->setText(QStringLiteral("abc"));
        QTest::mouseClick(w.cmdChannelGo, Qt::LeftButton);
        boxes_.yesNoAnswer = platform::shell::IDNO;
        w.mnuAutoScan->trigger();
        w.mnuAbout->trigger();
        QCOMPARE(boxes_.shown.size(), std::size_t{3});
        QCOMPARE(boxes_.shown[0].text, std::string("Input proper number"));
        QCOMPARE(boxes_.shown[0].title, std::string("Cuelark"));
        QCOMPARE(boxes_.shown[0].style, platform::shell::MB_OK);
        QCOMPARE(boxes_.shown[1].title, std::string("Auto Scan"));
        QCOMPARE(boxes_.shown[1].style & platform::shell::MB_TYPEMASK, platform::shell::MB_YESNO);
        QCOMPARE(boxes_.shown[2].title, std::string("About Cuelark"));
        QCOMPARE(boxes_.shown[2].style,
                 platform::shell::MB_OK | platform::shell::MB_ICONINFORMATION);
    }

    void channelButtonsReachTheTuner() {
        frmMain& w = open();
        card_->clearCalls();
        QTest::mouseClick(w.cmdChannelDown, Qt::LeftButton);
        QCOMPARE(w.txtChannel->text(), QStringLiteral("2"));
        w.txtChannel->setText(QStringLiteral("63"));
        QTest::mouseClick(w.cmdChannelGo, Qt::LeftButton);
        QCOMPARE(card_->callTexts(), std::vector<std::string>{"DVATuneSetChannel(0, 2)"});
        QCOMPARE(boxes_.shown.size(), std::size_t{1});
    }

    void autoScanFromTheMenuKeepsItsResultUntilClose() {
        card_->setFoundChannels({4, 6});
        frmMain& w = open();
        boxes_.yesNoAnswer = platform::shell::IDNO;
        w.mnuAutoScan->trigger();
        QVERIFY(g_bChannels.at(5));
        boxes_.yesNoAnswer = platform::shell::IDYES;
        w.mnuAutoScan->trigger();
        QCOMPARE(boxes_.shown.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(boxes_.shown[1].title), QStringLiteral("Auto Scan"));
        QCOMPARE(ReadSetting("Channels1", "unwritten"), std::string("unwritten"));
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(w.cmdChannelUp, Qt::LeftButton);
        }
        QCOMPARE(w.txtChannel->text(), QStringLiteral("4"));
        w.close();
        QCOMPARE(ReadSetting("Channels1", ""), "000101" + std::string(26, '0'));
    }

    void fewChannelsStartInsideTheTable() {
        newCard(2);
        frmMain& w = open();
        QCOMPARE(g_nCurChannel, 1);
        QCOMPARE(w.txtChannel->text(), QStringLiteral("1"));
        QCOMPARE(card_->callTexts().back(), std::string("DVATuneSetChannel(0, 1)"));
        window_->close();

        newCard(0);
        frmMain& none = open();
        QVERIFY(card_->tunedChannel() == 0);
        QCOMPARE(cardCalls().back(), std::string("1040"));  // nothing to tune
        QTest::mouseClick(none.cmdChannelUp, Qt::LeftButton);
        QCOMPARE(none.txtChannel->text(), QStringLiteral("3"));
        QTest::mouseClick(none.cmdChannelGo, Qt::LeftButton);
        QCOMPARE(boxes_.shown.size(), std::size_t{1});
    }
};

QTEST_MAIN(FrmMainTest)
#include "FrmMainTest.moc"
