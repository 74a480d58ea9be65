#include "app/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <iterator>

#include "app/modMain.h"
#include "captions/modWndproc.h"
#include "dialogs/HelpAbout.h"
#include "dialogs/QtMessageBoxes.h"
#include "dialogs/frmQuality.h"
#include "dialogs/frmRecord.h"
#include "platform/core/Clock.h"
#include "platform/core/ExitHook.h"
#include "platform/core/FileTable.h"
#include "platform/tv/TvCard.h"
#include "platform/win/WinQt.h"
#include "recording/QualityValues.h"
#include "recording/RecordingController.h"
#include "study/window/frmReview.h"
#include "tuner/AutoScan.h"
#include "tuner/ChannelTable.h"
#include "tuner/modVid.h"

static void initIconResource() {
    Q_INIT_RESOURCE(cuelark);
}

namespace {

using platform::win::HWND;

// The window's client area and its controls are laid out in pixels of
// 15 twips each.
constexpr int kClientWidth = 631;
constexpr int kClientHeight = 478;
constexpr int kStartVolume = 500;
constexpr int32_t kCaptionTargetValue = 123;
// The controls' font, then close sans-serifs of similar width where it is missing.
const char* const kFontFamilies[] = {"ＭＳ Ｐゴシック", "DejaVu Sans Condensed", "DejaVu Sans"};
constexpr double kFontPoints = 9.0;
constexpr double kSmallestPoints = 7.0;

intptr_t instanceHandle() {
    return reinterpret_cast<intptr_t>(QCoreApplication::instance());
}

QFont controlFont() {
    const QStringList installed = QFontDatabase::families();
    QString family = QString::fromUtf8(kFontFamilies[std::size(kFontFamilies) - 1]);
    for (const char* candidate : kFontFamilies) {
        if (installed.contains(QString::fromUtf8(candidate))) {
            family = QString::fromUtf8(candidate);
            break;
        }
    }
    QFont font(family);
    font.setPointSizeF(kFontPoints);
    return font;
}

// Whether a label's caption shows whole in its box with this font.
bool captionFits(const QLabel* label, const QFont& font) {
    const QFontMetrics metrics(font);
    const QString shown = QString(label->text()).remove(QLatin1Char('&'));
    const int flags = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 1000), flags, shown);
    return needed.width() <= label->width() && needed.height() <= label->height();
}

template <class W>
W* place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

}  // namespace

frmMain::frmMain(platform::shell::MessageBoxes* boxes)
    : m_boxes(boxes == nullptr ? dialogs::programMessageBoxes() : *boxes) {
    initIconResource();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(platform::shell::kAppTitle));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/cuelark-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/cuelark-32.png"), QSize(32, 32));
    setWindowIcon(icon);
    setFont(controlFont());

    buildControls();
    buildMenus();
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    recording::RecordingServices services{g_sSaveDir,
                                          *g_ccFactory,
                                          g_hVideoWnd,
                                          recording::qualityValues(),
                                          m_mci,
                                          platform::FileTable::instance(),
                                          platform::programClock(),
                                          m_boxes};
    m_recording = std::make_unique<recording::RecordingController>(*this, services);
    // The recording just made is offered in the Review window.
    m_recording->setStoppedListener(
        [](const std::string& script, const std::string&) { frmReview::offerRecording(script); });
    connectHandlers();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setMinimumSize(0, 0);
    setCentralWidget(client);

    // Created in tab order, so focus moves through them as listed.
    Label1 = place(new QLabel(QStringLiteral("Script &Name"), client), "Label1", 112, 8, 65, 17);
    txtScriptName =
        place(new QLineEdit(QStringLiteral("untitled"), client), "txtScriptName", 184, 8, 105, 19);
    Label3 = place(new QLabel(QStringLiteral("D&uration"), client), "Label3", 296, 8, 49, 17);
    txtDuration =
        place(new QLineEdit(QStringLiteral("600"), client), "txtDuration", 344, 8, 33, 19);
    Label2 = place(new QLabel(QStringLiteral("Remaining Time"), client), "Label2", 384, 3, 57, 33);
    Label2->setWordWrap(true);
    lblRemaining = place(new QLabel(QStringLiteral("0"), client), "lblRemaining", 440, 8, 41, 19);
    cmdRecord =
        place(new QPushButton(QStringLiteral("&Record"), client), "cmdRecord", 488, 8, 49, 21);
    txtChannel = place(new QLineEdit(QStringLiteral("3"), client), "txtChannel", 24, 8, 33, 17);
    cmdChannelDown =
        place(new QPushButton(QStringLiteral("<"), client), "cmdChannelDown", 8, 8, 17, 19);
    cmdChannelUp =
        place(new QPushButton(QStringLiteral(">"), client), "cmdChannelUp", 56, 8, 17, 19);
    cmdChannelGo =
        place(new QPushButton(QStringLiteral("&Go"), client), "cmdChannelGo", 72, 8, 33, 19);
    cmdCheck = place(new QPushButton(QStringLiteral("&Check"), client), "cmdCheck", 536, 8, 49, 21);
    lblChecks = place(new QLabel(QStringLiteral("0"), client), "lblChecks", 592, 8, 33, 19);

    Label1->setBuddy(txtScriptName);
    Label3->setBuddy(txtDuration);
    for (QLineEdit* box : {txtScriptName, txtDuration, txtChannel}) {
        box->setTextMargins(0, 0, 0, 0);
    }
    setTabOrder(txtScriptName, txtDuration);
    setTabOrder(txtDuration, cmdRecord);
    setTabOrder(cmdRecord, txtChannel);
    setTabOrder(txtChannel, cmdChannelDown);
    setTabOrder(cmdChannelDown, cmdChannelUp);
    setTabOrder(cmdChannelUp, cmdChannelGo);
    setTabOrder(cmdChannelGo, cmdCheck);

    // Record is the window's default button: Enter in any text box presses
    // it (connectHandlers). Enter on a button that has the focus presses
    // that button.
    cmdRecord->setDefault(true);
    for (QPushButton* button : {cmdChannelDown, cmdChannelUp, cmdChannelGo, cmdCheck}) {
        button->setAutoDefault(true);
    }
    cmdCheck->setEnabled(false);
    // A stand-in font is often wider than the one the strip was drawn for:
    // step it down until every label shows its whole caption.
    QFont font = this->font();
    auto allFit = [&] {
        for (const QLabel* label : {Label1, Label3, Label2, lblRemaining, lblChecks}) {
            if (!captionFits(label, font)) {
                return false;
            }
        }
        return true;
    };
    while (!allFit() && font.pointSizeF() > kSmallestPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    setFont(font);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    txtScriptName->setFocus();
}

void frmMain::buildMenus() {
    auto menu = [this](const char* name, const char* caption) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [](QMenu* m, const char* name, const char* caption) {
        QAction* a = m->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnuFile = menu("mnuFile", "&File");
    mnuExit = item(mnuFile, "mnuExit", "E&xit");
    mnuEdit = menu("mnuEdit", "&Edit");
    mnuCut = item(mnuEdit, "mnuCut", "Cu&t");
    mnuCopy = item(mnuEdit, "mnuCopy", "&Copy");
    mnuPaste = item(mnuEdit, "mnuPaste", "&Paste");
    for (QAction* a : {mnuCut, mnuCopy, mnuPaste}) {
        a->setEnabled(false);
    }
    mnuScript = menu("mnuScript", "&Script");
    mnuGeneralSettings = item(mnuScript, "mnuGeneralSettings", "&General Settings...");
    mnuRecordingQuality = item(mnuScript, "mnuRecordingQuality", "Recording &Quality...");
    mnuReviewRecording = item(mnuScript, "mnuReviewRecording", "Review Recording...");
    mnuReviewRecording->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuAllCaptionModes =
        item(mnuScript, "mnuAllCaptionModes", "Record Roll-up and Paint-on Captions");
    mnuAllCaptionModes->setCheckable(true);
    mnuAllCaptionModes->setChecked(g_bAllCaptionModes);
    mnuTuner = menu("mnuTuner", "&Tuner");
    mnuAutoScan = item(mnuTuner, "mnuAutoScan", "&Auto Scan");
    mnuHelp = menu("mnuHelp", "&Help");
    mnuContents = item(mnuHelp, "mnuContents", "&Contents");
    mnuAbout = item(mnuHelp, "mnuAbout", "&About Cuelark...");
}

void frmMain::connectHandlers() {
    connect(cmdRecord, &QPushButton::clicked, this, &frmMain::cmdRecord_Click);
    connect(cmdCheck, &QPushButton::clicked, this, &frmMain::cmdCheck_Click);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    connect(cmdChannelUp, &QPushButton::clicked, this, &frmMain::cmdChannelUp_Click);
    connect(cmdChannelDown, &QPushButton::clicked, this, &frmMain::cmdChannelDown_Click);
    connect(cmdChannelGo, &QPushButton::clicked, this, &frmMain::cmdChannelGo_Click);
    // Outside a dialog Qt has no default button of its own: Enter in a text
    // box is routed to Record here.
    for (QLineEdit* box : {txtScriptName, txtDuration, txtChannel}) {
        connect(box, &QLineEdit::returnPressed, cmdRecord, &QPushButton::click);
    }
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuGeneralSettings, &QAction::triggered, this, &frmMain::mnuGeneralSettings_Click);
    connect(mnuRecordingQuality, &QAction::triggered, this, &frmMain::mnuRecordingQuality_Click);
    connect(mnuReviewRecording, &QAction::triggered, this, &frmMain::mnuReviewRecording_Click);
    connect(mnuAllCaptionModes, &QAction::triggered, this, &frmMain::mnuAllCaptionModes_Click);
    connect(mnuAutoScan, &QAction::triggered, this, &frmMain::mnuAutoScan_Click);
    connect(mnuContents, &QAction::triggered, this, &frmMain::mnuContents_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::addCardMenuItems() {
    // The card's own items (its source, say) follow Auto Scan.
    for (platform::tv::CardMenuItem& item : platform::tv::currentCard().tunerMenuItems()) {
        QAction* a = mnuTuner->addAction(QString::fromStdString(item.caption));
        a->setObjectName(QString::fromStdString(item.name));
        connect(a, &QAction::triggered, this, [choose = std::move(item.choose)] {
            if (choose) {
                choose();
            }
        });
    }
}

VideoRect frmMain::videoRect() const {
    const QRect outer = frameGeometry();
    return VideoRectFor(outer.width(), outer.height());
}

platform::Status frmMain::Form_Load() {
    platform::Status loaded = DVALoad(instanceHandle());
    if (!loaded) {
        return loaded;
    }
    m_hWnd = platform::win::registerWidget(this);
    Hook(m_hWnd, &WndProc);
    addCardMenuItems();

    g_nChannels = HiWord(DVATuneChannels(0));
    g_nCurChannel = StartChannel(g_nChannels);
    RestoreChannels(
        [](const std::string& key, const std::string& def) { return ReadSetting(key, def); });

    // The picture fills the client area below the control strip.
    m_hClient = platform::win::registerWidget(client);
    const VideoRect r = videoRect();
    g_hVideoWnd = CreateVideoWindow(m_hClient, instanceHandle(), r.left, r.top, r.right, r.bottom);
    SendVideoMessage(platform::tv::kMsgStartPicture, 0, 0);
    DVAAudioSetVolume(0, kStartVolume);
    DVASetProperty(0, platform::tv::kPropCaptionDisplay, 1);
    SendVideoMessage(platform::tv::kMsgCaptionTarget, m_hWnd, kCaptionTargetValue);
    if (g_nCurChannel >= 1) {
        DVATuneSetChannel(0, static_cast<int16_t>(g_nCurChannel));
    }
    if (g_nCurChannel != 3 && g_nCurChannel >= 1) {
        setChannelText(std::to_string(g_nCurChannel));
    }
    m_bLoaded = true;
    return {};
}

void frmMain::Form_Resize() {
    if (g_hVideoWnd == 0) {
        return;
    }
    const VideoRect r = videoRect();
    platform::win::SetWindowPos(g_hVideoWnd, 0, 0, kControlStripHeight, r.right,
                                r.bottom - kControlStripHeight, platform::win::SWP_NOZORDER);
}

void frmMain::SaveChannels() {
    ::SaveChannels(
        [](const std::string& key, const std::string& value) { WriteSetting(key, value); });
}

void frmMain::Form_Unload() {
    if (!m_bLoaded) {
        return;
    }
    m_bLoaded = false;
    // A recording still running is stopped and saved first, so closing the
    // window never loses what was recorded so far.
    m_recording->Form_Unload();
    SaveChannels();
    SendVideoMessage(platform::tv::kMsgStopAll, 0, 0);
    DVAFree();
    // The hook lets go on WM_DESTROY; the video window goes with its parent.
    platform::win::DestroyWindow(m_hWnd);
    m_hWnd = 0;
    g_hVideoWnd = 0;
}

void frmMain::mnuExit_Click() {
    close();
}

void frmMain::endSession() {
    if (m_bLoaded) {
        m_recording->endSession();
    }
    Form_Unload();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::cmdRecord_Click() {
    m_recording->cmdRecord_Click();
    // A recording's sound may bring up parts of the sound system that exit()
    // would tear down before the exit hook saves the recording.
    if (m_recording->isRecording()) {
        platform::armExitHook();
    }
}
void frmMain::Timer1_Timer() {
    m_recording->Timer1_Timer();
}
void frmMain::cmdCheck_Click() {
    m_recording->cmdCheck_Click();
}
void frmMain::cmdChannelUp_Click() {
    ChannelUp(*this);
}
void frmMain::cmdChannelDown_Click() {
    ChannelDown(*this);
}
void frmMain::cmdChannelGo_Click() {
    ChannelGo(*this, m_boxes);
}
void frmMain::mnuAutoScan_Click() {
    AutoScan(m_boxes);
}
void frmMain::mnuGeneralSettings_Click() {
    frmRecord::showDialog();
}
void frmMain::mnuRecordingQuality_Click() {
    frmQuality::showDialog();
}
void frmMain::mnuReviewRecording_Click() {
    frmReview::showWindow();
}
void frmMain::mnuAllCaptionModes_Click() {
    SetAllCaptionModes(mnuAllCaptionModes->isChecked());
}
void frmMain::mnuContents_Click() {
    dialogs::mnuContents_Click(m_hWnd);
}
void frmMain::mnuAbout_Click() {
    dialogs::mnuAbout_Click(m_boxes);
}

std::string frmMain::scriptName() const {
    return txtScriptName->text().toStdString();
}
std::string frmMain::durationText() const {
    return txtDuration->text().toStdString();
}
std::string frmMain::recordCaption() const {
    return cmdRecord->text().toStdString();
}
void frmMain::setRecordCaption(const std::string& caption) {
    cmdRecord->setText(QString::fromStdString(caption));
}
void frmMain::setRemainingCaption(const std::string& caption) {
    lblRemaining->setText(QString::fromStdString(caption));
}
std::string frmMain::checksCaption() const {
    return lblChecks->text().toStdString();
}
void frmMain::setChecksCaption(const std::string& caption) {
    lblChecks->setText(QString::fromStdString(caption));
}
void frmMain::setCheckEnabled(bool enabled) {
    cmdCheck->setEnabled(enabled);
}
void frmMain::setTimerInterval(int milliseconds) {
    Timer1->setInterval(milliseconds);
}
void frmMain::setTimerEnabled(bool enabled) {
    if (enabled) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}
std::string frmMain::channelText() const {
    return txtChannel->text().toStdString();
}
void frmMain::setChannelText(const std::string& text) {
    txtChannel->setText(QString::fromStdString(text));
}
