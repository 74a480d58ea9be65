// The two settings dialogs, Help and About, on the offscreen platform.
#include <QApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/modMain.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/HelpAbout.h"
#include "dialogs/QtMessageBoxes.h"
#include "dialogs/frmQuality.h"
#include "dialogs/frmRecord.h"
#include "platform/shell/Shell.h"
#include "tests/support/FakeMessageBoxes.h"

namespace {

using testsupport::FakeMessageBoxes;
using testsupport::ShownBox;

// Stands in for the desktop's opener of file addresses.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    std::vector<QUrl> urls;
  public Q_SLOTS:
    void open(const QUrl& url) { urls.push_back(url); }
};

// The widgets that take the focus, in the order Tab visits them.
std::vector<QWidget*> focusChain(QWidget* first, int count) {
    std::vector<QWidget*> chain;
    QWidget* w = first;
    while (static_cast<int>(chain.size()) < count) {
        if (w->focusPolicy() & Qt::TabFocus) {
            chain.push_back(w);
        }
        w = w->nextInFocusChain();
    }
    return chain;
}

void checkFixedFrame(QDialog& d, const char* title, QSize client) {
    QCOMPARE(d.windowTitle(), QString(title));
    QCOMPARE(d.size(), client);
    QCOMPARE(d.minimumSize(), client);
    QCOMPARE(d.maximumSize(), client);
    const Qt::WindowFlags flags = d.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!d.isModal());
    QVERIFY(d.parentWidget() == nullptr);
}

// Every label and option shows its whole caption in its box, also when the
// desktop's font is large.
template <class Make>
void checkCaptionsFit(Make make) {
    const QFont desktop = QApplication::font();
    for (qreal points : {desktop.pointSizeF(), 14.0}) {
        QFont f = desktop;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        auto d = make();
        for (QWidget* w : d->template findChildren<QWidget*>()) {
            QVERIFY2(dialogs::captionFits(w), qPrintable(w->objectName()));
        }
    }
    QApplication::setFont(desktop);
}

// A key as the user types it: to whatever has the focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused != nullptr);
    QTest::keyClick(focused, key, modifiers);
}

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private:
    std::string saveDir = "/home/user/rec";
    std::vector<std::string> written;
    FakeMessageBoxes boxes;

    std::unique_ptr<frmRecord> makeGeneral() {
        return std::make_unique<frmRecord>([this] { return saveDir; },
                                           [this](const std::string& dir) {
                                               saveDir = dir;
                                               written.push_back(dir);
                                           },
                                           boxes);
    }

  private Q_SLOTS:
    void init() {
        saveDir = "/home/user/rec";
        written.clear();
        boxes.shown.clear();
    }

    // Runs first: nothing has made a dialog yet.
    void qualityValuesNeedNoWindow() {
        const recording::QualityValues& values = recording::qualityValues();
        QCOMPARE(values.m_nSamplingRate, 22050);
        QCOMPARE(values.m_nQBits, 16);
        QCOMPARE(values.m_nChannels, 1);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void generalSettingsLayout() {
        auto d = makeGeneral();
        checkFixedFrame(*d, "Script Recording", QSize(374, 68));
        checkCaptionsFit([this] { return makeGeneral(); });
        QCOMPARE(d->Label2->geometry(), QRect(8, 8, 81, 17));
        QCOMPARE(d->txtSaveDir->geometry(), QRect(96, 8, 193, 19));
        QCOMPARE(d->cmdOK->geometry(), QRect(296, 8, 73, 21));
        QCOMPARE(d->Command1->geometry(), QRect(296, 40, 73, 21));
        QCOMPARE(d->Label2->text(), QString("Save &Directory"));
        QCOMPARE(d->Label2->buddy(), d->txtSaveDir);
        QCOMPARE(d->cmdOK->text(), QString("OK"));
        QCOMPARE(d->Command1->text(), QString("Cancel"));
        QVERIFY(d->cmdOK->isDefault());
        const auto chain = focusChain(d->txtSaveDir, 3);
        QCOMPARE(chain, (std::vector<QWidget*>{d->txtSaveDir, d->cmdOK, d->Command1}));
    }

    void generalSettingsOkStoresTheTextAsTyped() {
        auto d = makeGeneral();
        d->bringUp();
        QCOMPARE(d->txtSaveDir->text(), QString("/home/user/rec"));
        for (const char* typed :
             {"  ", "/media/usb/", "/a/very/long/folder/name/beyond/forty/nine/characters/x"}) {
            d->bringUp();
            d->txtSaveDir->setText(typed);
            QTest::keyClick(d->txtSaveDir, Qt::Key_Return);  // Enter presses OK
            QVERIFY(!d->isVisible());
            QCOMPARE(written.back(), std::string(typed));
        }
        QVERIFY(boxes.shown.empty());
    }

    // Enter presses the button that has the focus; from the text box, OK.
    void generalSettingsEnterPressesTheFocusedButton() {
        auto d = makeGeneral();
        d->bringUp();
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        d->txtSaveDir->setText("/meant/to/discard");
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d->Command1);
        press(Qt::Key_Return);
        QVERIFY(!d->isVisible());
        QVERIFY(written.empty());

        // Open again, the text box has the focus, and Enter (the keypad's
        // too) is OK, though Cancel had the focus when the dialog closed.
        d->bringUp();
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        QCOMPARE(QApplication::focusWidget(), d->txtSaveDir);
        d->txtSaveDir->setText("/kept");
        press(Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(!d->isVisible());
        QCOMPARE(written, std::vector<std::string>{"/kept"});

        d->bringUp();
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        d->txtSaveDir->setText("/also kept");
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d->cmdOK);
        press(Qt::Key_Return);
        QCOMPARE(written.back(), std::string("/also kept"));
        QVERIFY(boxes.shown.empty());
    }

    void generalSettingsRefusesAnEmptyFolder() {
        auto d = makeGeneral();
        d->bringUp();
        d->txtSaveDir->clear();
        d->cmdOK->click();
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text, std::string("Input save directory"));
        QCOMPARE(boxes.shown[0].title, std::string("Cuelark"));
        QCOMPARE(boxes.shown[0].style, platform::shell::MB_OK);
        QVERIFY(d->isVisible());
        QVERIFY(written.empty());
    }

    void generalSettingsCancelAndCloseChangeNothing() {
        auto d = makeGeneral();
        d->bringUp();
        d->txtSaveDir->setText("/elsewhere");
        d->Command1->click();
        QVERIFY(!d->isVisible());
        d->bringUp();
        QCOMPARE(d->txtSaveDir->text(), QString("/home/user/rec"));
        d->txtSaveDir->setText("/elsewhere");
        QTest::keyClick(d->txtSaveDir, Qt::Key_Escape);
        QVERIFY(!d->isVisible());
        d->bringUp();
        d->txtSaveDir->setText("/elsewhere");
        d->close();  // the close box
        QVERIFY(!d->isVisible());
        QVERIFY(written.empty());
        QCOMPARE(saveDir, std::string("/home/user/rec"));
    }

    void generalSettingsReopenKeepsTheEdit() {
        auto d = makeGeneral();
        d->bringUp();
        d->txtSaveDir->setText("/half/typed");
        saveDir = "/changed/meanwhile";
        d->bringUp();
        QCOMPARE(d->txtSaveDir->text(), QString("/half/typed"));
    }

    void generalSettingsIsOneWindowStoringTheSetting() {
        QTemporaryDir tmp;
        g_sIniFile = (tmp.path() + "/cuelark.ini").toStdString();
        g_sSaveDir = "/start";
        frmRecord::showDialog();
        frmRecord& d = frmRecord::instance();
        QVERIFY(d.isVisible());
        QCOMPARE(d.txtSaveDir->text(), QString("/start"));
        d.txtSaveDir->setText("/media/my recordings");
        frmRecord::showDialog();
        QCOMPARE(&frmRecord::instance(), &d);
        QCOMPARE(d.txtSaveDir->text(), QString("/media/my recordings"));
        d.cmdOK->click();
        QCOMPARE(g_sSaveDir, std::string("/media/my recordings"));
        const std::string ini = readFile(tmp.path() + "/cuelark.ini");
        QVERIFY2(ini.find("SaveDir=/media/my recordings") != std::string::npos, ini.c_str());
    }

    void qualityLayout() {
        recording::QualityValues values;
        frmQuality d(values);
        checkFixedFrame(d, "Recording Quality", QSize(320, 166));
        checkCaptionsFit([&values] { return std::make_unique<frmQuality>(values); });
        QCOMPARE(d.fraSamplingRate->geometry(), QRect(8, 8, 97, 153));
        QCOMPARE(d.fraQuantization->geometry(), QRect(112, 8, 113, 73));
        QCOMPARE(d.fraChannel->geometry(), QRect(112, 88, 113, 73));
        const char* rates[] = {"8000Hz", "11025Hz", "22050Hz", "44000Hz"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(d.optSamplingRate[i]->parentWidget(), d.fraSamplingRate);
            QCOMPARE(d.optSamplingRate[i]->geometry(), QRect(16, 16 + 24 * i, 73, 25));
            QCOMPARE(d.optSamplingRate[i]->text(), QString(rates[i]));
        }
        QCOMPARE(d.optQuantization[0]->geometry(), QRect(16, 16, 41, 25));
        QCOMPARE(d.optQuantization[1]->geometry(), QRect(16, 40, 49, 25));
        QCOMPARE(d.optChannel[0]->geometry(), QRect(16, 16, 73, 17));
        QCOMPARE(d.optChannel[1]->geometry(), QRect(16, 40, 73, 17));
        QCOMPARE(d.cmdOK->geometry(), QRect(240, 16, 73, 21));
        QCOMPARE(d.cmdCancel->geometry(), QRect(240, 48, 73, 21));
        QVERIFY(d.cmdOK->isDefault());
        const auto chain = focusChain(d.cmdCancel, 10);
        QCOMPARE(chain, (std::vector<QWidget*>{
                            d.cmdCancel, d.cmdOK, d.optSamplingRate[1], d.optSamplingRate[0],
                            d.optSamplingRate[2], d.optSamplingRate[3], d.optQuantization[0],
                            d.optQuantization[1], d.optChannel[0], d.optChannel[1]}));
    }

    void qualityShowsAndCommitsTheChoice() {
        recording::QualityValues values;
        frmQuality d(values);
        d.bringUp();
        QVERIFY(d.optSamplingRate[2]->isChecked());
        QVERIFY(d.optQuantization[1]->isChecked());
        QVERIFY(d.optChannel[0]->isChecked());

        d.cmdOK->click();  // unchanged
        QCOMPARE(values.m_nSamplingRate, 22050);
        QCOMPARE(values.m_nQBits, 16);
        QCOMPARE(values.m_nChannels, 1);

        d.bringUp();
        d.optSamplingRate[3]->click();
        d.optQuantization[0]->click();
        d.optChannel[1]->click();
        QVERIFY(!d.optSamplingRate[2]->isChecked());  // one per frame
        QCOMPARE(values.m_nSamplingRate, 22050);      // nothing counts before OK
        d.optChannel[1]->setFocus();
        QTest::keyClick(d.optChannel[1], Qt::Key_Return);  // Enter off a button presses OK
        QVERIFY(!d.isVisible());
        QCOMPARE(values.m_nSamplingRate, 44100);
        QCOMPARE(values.m_nQBits, 8);
        QCOMPARE(values.m_nChannels, 2);

        d.bringUp();
        QVERIFY(d.optSamplingRate[3]->isChecked());
        QVERIFY(d.optQuantization[0]->isChecked());
        QVERIFY(d.optChannel[1]->isChecked());
    }

    // The dialog opens with the focus on Cancel: Enter there cancels.
    void qualityEnterPressesTheFocusedButton() {
        recording::QualityValues values{11025, 8, 2};
        frmQuality d(values);
        d.bringUp();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), d.cmdCancel);
        d.optSamplingRate[3]->click();
        press(Qt::Key_Return);
        QVERIFY(!d.isVisible());
        QCOMPARE(values.m_nSamplingRate, 11025);

        d.bringUp();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.optSamplingRate[3]->click();
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d.cmdOK);
        press(Qt::Key_Return);
        QVERIFY(!d.isVisible());
        QCOMPARE(values.m_nSamplingRate, 44100);
        QCOMPARE(values.m_nQBits, 8);
        QCOMPARE(values.m_nChannels, 2);
    }

    void qualityCancelKeepsTheCommittedValues() {
        recording::QualityValues values{11025, 8, 2};
        frmQuality d(values);
        d.bringUp();
        d.optSamplingRate[0]->click();
        d.optChannel[0]->click();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        d.bringUp();
        d.optQuantization[1]->click();
        d.close();
        QCOMPARE(values.m_nSamplingRate, 11025);
        QCOMPARE(values.m_nQBits, 8);
        QCOMPARE(values.m_nChannels, 2);
        d.bringUp();
        QVERIFY(d.optSamplingRate[1]->isChecked());
        QVERIFY(d.optQuantization[0]->isChecked());
        QVERIFY(d.optChannel[1]->isChecked());
    }

    void qualityLoadReplacesAnUnknownRate() {
        recording::QualityValues values{44000, 16, 1};
        frmQuality d(values);
        d.bringUp();
        QCOMPARE(values.m_nSamplingRate, 22050);
        QVERIFY(d.optSamplingRate[2]->isChecked());
        for (int i : {0, 1, 3}) {
            QVERIFY(!d.optSamplingRate[i]->isChecked());
        }
    }

    void qualityReopenKeepsTheChoiceInProgress() {
        frmQuality::showDialog();
        frmQuality& d = frmQuality::instance();
        QVERIFY(d.isVisible());
        d.optSamplingRate[0]->click();
        recording::qualityValues().m_nChannels = 2;  // not shown until the next load
        frmQuality::showDialog();
        QVERIFY(d.optSamplingRate[0]->isChecked());
        QVERIFY(d.optChannel[0]->isChecked());
        d.cmdCancel->click();
        recording::qualityValues() = {};
    }

    void aboutBox() {
        dialogs::mnuAbout_Click(boxes);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        const ShownBox& box = boxes.shown[0];
        QCOMPARE(box.title, std::string("About Cuelark"));
        QCOMPARE(box.style, platform::shell::MB_OK | platform::shell::MB_ICONINFORMATION);
        const std::string& text = box.text;
        QVERIFY(text.starts_with("Cuelark ver.2.00\r\n"));
        QVERIFY(text.find("\r\n", 18) == std::string::npos);  // exactly two lines
        QVERIFY(text.size() > 18);

        const auto shown = dialogs::makeMessageBox(box.text, box.title, box.style);
        QCOMPARE(shown->windowTitle(), QString("About Cuelark"));
        QCOMPARE(shown->icon(), QMessageBox::Information);
        QCOMPARE(shown->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(shown->text().split('\n').size(), 2);
        QCOMPARE(shown->text().split('\n').front(), QString("Cuelark ver.2.00"));
    }

    void helpReachesTheOpenerWithTheFolderIntact() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "open");
        for (const char* folder : {"/opt/my tools", "/srv/a#b/100%"}) {
            const std::string target = dialogs::helpTarget(folder);
            platform::shell::ShellExecuteA(0, "Open", target.c_str(), "", folder,
                                           platform::shell::SW_SHOWNORMAL);
            QCOMPARE(catcher.urls.back().toLocalFile(), QString(folder) + "/help.html");
        }
        dialogs::mnuContents_Click(0);
        QCOMPARE(catcher.urls.back().toLocalFile(),
                 QCoreApplication::applicationDirPath() + "/help.html");
        QDesktopServices::unsetUrlHandler("file");
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
