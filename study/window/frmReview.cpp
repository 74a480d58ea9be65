#include "study/window/frmReview.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "study/model/Recording.h"
#include "study/sound/WaveSummary.h"
#include "study/window/ReviewRowsModel.h"
#include "study/window/RowPlayer.h"
#include "study/window/WaveformView.h"
#include "study/window/frmExport.h"

namespace {

using platform::shell::IDCANCEL;
using platform::shell::IDYES;
using platform::shell::MB_ICONWARNING;
using platform::shell::MB_OK;
using platform::shell::MB_YESNOCANCEL;

constexpr const char* kTitle = "Review Recording";
// How often the list and the waveform follow what is heard.
constexpr int kFollowMs = 30;
// Columns of the waveform's outline; the view scales them to its width.
constexpr std::size_t kWaveColumns = 800;
// Lines that are not rows named in the notice before "and N more".
constexpr std::size_t kProblemsNamed = 5;
constexpr double kTextScale = 2.0;

QString quoted(const std::string& name) {
    return QStringLiteral("\u201C") + QString::fromStdString(name) + QStringLiteral("\u201D");
}

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* paddingBox(QWidget* parent, const char* name) {
    auto* box = named(new QSpinBox(parent), name);
    box->setRange(0, study::kMaxPaddingMs);
    box->setSingleStep(50);
    box->setSuffix(QStringLiteral(" ms"));
    return box;
}

}  // namespace

frmReview::frmReview(Services services)
    : QMainWindow(nullptr), services_(std::move(services)), settings_(services_.settingsPath) {
    setObjectName(QStringLiteral("frmReview"));
    buildControls();
    buildMenus();
    connectHandlers();

    const study::PlaybackChoices remembered = settings_.playback();
    restoring_ = true;
    updPadBefore->setValue(remembered.padding.beforeMs);
    updPadAfter->setValue(remembered.padding.afterMs);
    chkLoop->setChecked(remembered.loop);
    chkNext->setChecked(remembered.advance);
    restoring_ = false;
    resize(760, 560);
    refresh();
}

frmReview::~frmReview() {
    stopPlaying();
}

void frmReview::buildControls() {
    auto* client = named(new QWidget(this), "client");
    setCentralWidget(client);

    fraOffer = named(new QFrame(client), "fraOffer");
    fraOffer->setFrameShape(QFrame::StyledPanel);
    lblOffer = named(new QLabel(fraOffer), "lblOffer");
    lblOffer->setTextFormat(Qt::PlainText);
    cmdOpenOffered = named(new QPushButton(tr("&Open It"), fraOffer), "cmdOpenOffered");
    // Enter opens the offered recording when the button has the focus.
    cmdOpenOffered->setAutoDefault(true);
    auto* offerLayout = new QHBoxLayout(fraOffer);
    offerLayout->addWidget(lblOffer, 1);
    offerLayout->addWidget(cmdOpenOffered);

    lblNotice = named(new QLabel(client), "lblNotice");
    lblNotice->setWordWrap(true);
    lblNotice->setTextFormat(Qt::PlainText);

    // The row's text, large enough to read at a glance.
    lblText = named(new QLabel(client), "lblText");
    lblText->setWordWrap(true);
    lblText->setTextFormat(Qt::PlainText);
    lblText->setAlignment(Qt::AlignCenter);
    QFont big = lblText->font();
    big.setPointSizeF(big.pointSizeF() * kTextScale);
    lblText->setFont(big);
    lblText->setMinimumHeight(QFontMetrics(big).lineSpacing() * 2 + 8);
    lblText->setTextInteractionFlags(Qt::NoTextInteraction);

    picWave = named(new study::window::WaveformView(client), "picWave");

    cmdPlay = named(new QPushButton(tr("&Play"), client), "cmdPlay");
    chkLoop = named(new QCheckBox(tr("&Loop"), client), "chkLoop");
    chkNext = named(new QCheckBox(tr("&Next row when one ends"), client), "chkNext");
    updPadBefore = paddingBox(client, "updPadBefore");
    updPadAfter = paddingBox(client, "updPadAfter");
    auto* lblPadBefore = named(new QLabel(tr("Pad &before"), client), "lblPadBefore");
    auto* lblPadAfter = named(new QLabel(tr("Pad &after"), client), "lblPadAfter");
    lblPadBefore->setBuddy(updPadBefore);
    lblPadAfter->setBuddy(updPadAfter);
    lblOffset = named(new QLabel(client), "lblOffset");
    cmdOffsetEarlier = named(new QPushButton(tr("&Earlier"), client), "cmdOffsetEarlier");
    cmdOffsetLater = named(new QPushButton(tr("La&ter"), client), "cmdOffsetLater");
    cmdOffsetEarlier->setToolTip(tr("Every row 100 ms earlier against the sound (-)"));
    cmdOffsetLater->setToolTip(tr("Every row 100 ms later against the sound (+)"));
    auto* strip = new QHBoxLayout;
    strip->addWidget(cmdPlay);
    strip->addWidget(chkLoop);
    strip->addWidget(chkNext);
    strip->addSpacing(12);
    strip->addWidget(lblPadBefore);
    strip->addWidget(updPadBefore);
    strip->addWidget(lblPadAfter);
    strip->addWidget(updPadAfter);
    strip->addStretch();
    strip->addWidget(lblOffset);
    strip->addWidget(cmdOffsetEarlier);
    strip->addWidget(cmdOffsetLater);

    auto* lblRows = named(new QLabel(tr("Ro&ws"), client), "lblRows");
    rows_ = new study::window::ReviewRowsModel(this);
    lstRows = named(new QTableView(client), "lstRows");
    lblRows->setBuddy(lstRows);
    lstRows->setModel(rows_);
    lstRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstRows->setSelectionMode(QAbstractItemView::SingleSelection);
    lstRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstRows->setTabKeyNavigation(false);
    lstRows->setWordWrap(false);
    lstRows->setAlternatingRowColors(true);
    // Fixed sizes: nothing is measured row by row, so a long script lists at once.
    const QFontMetrics metrics(lstRows->font());
    lstRows->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstRows->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    QHeaderView* header = lstRows->horizontalHeader();
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("-0:00:00.00")) + 16;
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->resizeSection(study::window::ReviewRowsModel::Start, timeWidth);
    header->resizeSection(study::window::ReviewRowsModel::End, timeWidth);
    header->resizeSection(study::window::ReviewRowsModel::Mark,
                          metrics.horizontalAdvance(tr("Mark")) + 32);
    header->setSectionResizeMode(study::window::ReviewRowsModel::Text, QHeaderView::Stretch);

    auto* layout = new QVBoxLayout(client);
    layout->addWidget(fraOffer);
    layout->addWidget(lblNotice);
    layout->addWidget(lblText);
    layout->addWidget(picWave);
    layout->addLayout(strip);
    layout->addWidget(lblRows);
    layout->addWidget(lstRows, 1);

    lblStatus = named(new QLabel(this), "lblStatus");
    statusBar()->addPermanentWidget(lblStatus);

    setTabOrder(cmdOpenOffered, cmdPlay);
    setTabOrder(cmdPlay, chkLoop);
    setTabOrder(chkLoop, chkNext);
    setTabOrder(chkNext, updPadBefore);
    setTabOrder(updPadBefore, updPadAfter);
    setTabOrder(updPadAfter, cmdOffsetEarlier);
    setTabOrder(cmdOffsetEarlier, cmdOffsetLater);
    setTabOrder(cmdOffsetLater, lstRows);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kFollowMs);
}

void frmReview::buildMenus() {
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [](QMenu* m, const char* name, const QString& caption,
                   std::initializer_list<QKeySequence> keys = {}) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(QList<QKeySequence>(keys));
        return a;
    };
    QMenu* file = menu("mnuFile", tr("&File"));
    mnuOpen = item(file, "mnuOpen", tr("&Open Recording..."), {QKeySequence::Open});
    mnuOpenOffered = item(file, "mnuOpenOffered", tr("Open the &Just Made Recording"));
    file->addSeparator();
    mnuSave = item(file, "mnuSave", tr("&Save"), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    mnuExport = item(file, "mnuExport", tr("&Export..."), {QKeySequence(Qt::CTRL | Qt::Key_E)});
    file->addSeparator();
    mnuClose = item(file, "mnuClose", tr("&Close"), {QKeySequence(Qt::CTRL | Qt::Key_W)});

    QMenu* sound = menu("mnuSound", tr("&Sound"));
    mnuPlay = item(sound, "mnuPlay", tr("&Play or Stop the Row"), {QKeySequence(Qt::Key_Space)});
    mnuLoop = item(sound, "mnuLoop", tr("&Loop the Row"), {QKeySequence(Qt::Key_L)});
    mnuNext = item(sound, "mnuNext", tr("&Next Row When One Ends"), {QKeySequence(Qt::Key_N)});
    mnuLoop->setCheckable(true);
    mnuNext->setCheckable(true);
    sound->addSeparator();
    mnuOffsetEarlier = item(sound, "mnuOffsetEarlier", tr("Every Row &Earlier by 100 ms"),
                            {QKeySequence(Qt::Key_Minus)});
    mnuOffsetLater = item(sound, "mnuOffsetLater", tr("Every Row La&ter by 100 ms"),
                          {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});

    QMenu* row = menu("mnuRow", tr("&Row"));
    mnuMark = item(row, "mnuMark", tr("&Mark or Unmark"), {QKeySequence(Qt::Key_M)});
    row->addSeparator();
    mnuStartEarlier = item(row, "mnuStartEarlier", tr("&Start 50 ms Earlier"),
                           {QKeySequence(Qt::Key_BracketLeft)});
    mnuStartLater =
        item(row, "mnuStartLater", tr("S&tart 50 ms Later"), {QKeySequence(Qt::Key_BracketRight)});
    mnuEndEarlier =
        item(row, "mnuEndEarlier", tr("&End 50 ms Earlier"), {QKeySequence(Qt::Key_BraceLeft)});
    mnuEndLater =
        item(row, "mnuEndLater", tr("E&nd 50 ms Later"), {QKeySequence(Qt::Key_BraceRight)});
}

void frmReview::connectHandlers() {
    connect(cmdOpenOffered, &QPushButton::clicked, this, &frmReview::cmdOpenOffered_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &frmReview::cmdPlay_Click);
    connect(chkLoop, &QCheckBox::toggled, this, &frmReview::chkLoop_Click);
    connect(chkNext, &QCheckBox::toggled, this, &frmReview::chkNext_Click);
    connect(updPadBefore, &QSpinBox::valueChanged, this, &frmReview::updPadding_Change);
    connect(updPadAfter, &QSpinBox::valueChanged, this, &frmReview::updPadding_Change);
    connect(cmdOffsetEarlier, &QPushButton::clicked, this, &frmReview::cmdOffsetEarlier_Click);
    connect(cmdOffsetLater, &QPushButton::clicked, this, &frmReview::cmdOffsetLater_Click);
    connect(lstRows->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmReview::currentRowChanged);
    connect(Timer1, &QTimer::timeout, this, &frmReview::Timer1_Timer);
    rows_->setMarkSetter([this](std::size_t row, bool marked) {
        if (recording_) {
            recording_->setMarked(row, marked);
            rowEdited(static_cast<int>(row));
        }
    });

    connect(mnuOpen, &QAction::triggered, this, &frmReview::mnuOpen_Click);
    connect(mnuOpenOffered, &QAction::triggered, this, &frmReview::cmdOpenOffered_Click);
    connect(mnuSave, &QAction::triggered, this, &frmReview::mnuSave_Click);
    connect(mnuExport, &QAction::triggered, this, &frmReview::mnuExport_Click);
    connect(mnuClose, &QAction::triggered, this, &QWidget::close);
    connect(mnuPlay, &QAction::triggered, this, &frmReview::cmdPlay_Click);
    connect(mnuLoop, &QAction::triggered, chkLoop, &QCheckBox::setChecked);
    connect(mnuNext, &QAction::triggered, chkNext, &QCheckBox::setChecked);
    connect(mnuOffsetEarlier, &QAction::triggered, this, &frmReview::cmdOffsetEarlier_Click);
    connect(mnuOffsetLater, &QAction::triggered, this, &frmReview::cmdOffsetLater_Click);
    connect(mnuMark, &QAction::triggered, this, &frmReview::mnuMark_Click);
    connect(mnuStartEarlier, &QAction::triggered, this, &frmReview::mnuStartEarlier_Click);
    connect(mnuStartLater, &QAction::triggered, this, &frmReview::mnuStartLater_Click);
    connect(mnuEndEarlier, &QAction::triggered, this, &frmReview::mnuEndEarlier_Click);
    connect(mnuEndLater, &QAction::triggered, this, &frmReview::mnuEndLater_Click);
}

// One place sets the controls from the state.
void frmReview::refresh() {
    const bool open = recording_ != nullptr;
    const bool hasRows = open && recording_->rowCount() > 0;
    const bool modified = open && recording_->modified();
    setWindowTitle(open ? QString::fromStdString(recording_->name()) + QStringLiteral("[*] - ") +
                              QString::fromUtf8(kTitle)
                        : QString::fromUtf8(kTitle));
    setWindowModified(modified);

    fraOffer->setVisible(!offered_.empty());
    if (!offered_.empty()) {
        const std::string name = std::filesystem::path(offered_).stem().string();
        lblOffer->setText(open && recording_->scriptPath() == offered_
                              ? tr("%1 has just been recorded again.").arg(quoted(name))
                              : tr("Just recorded: %1.").arg(quoted(name)));
    }
    mnuOpenOffered->setEnabled(!offered_.empty());

    QStringList notice;
    if (open && !playbackOff_.empty()) {
        notice << tr("Playback is off. %1").arg(QString::fromStdString(playbackOff_));
    }
    if (open && !recording_->problems().empty()) {
        const auto& problems = recording_->problems();
        QStringList named;
        for (std::size_t i = 0; i < problems.size() && i < kProblemsNamed; ++i) {
            named << QString::fromStdString(problems[i].message);
        }
        QString text = tr("Lines that are not rows are left out of the list (the file keeps "
                          "them as they are): %1")
                           .arg(named.join(QStringLiteral("; ")));
        if (problems.size() > kProblemsNamed) {
            text += tr("; and %1 more").arg(problems.size() - kProblemsNamed);
        }
        notice << text + QLatin1Char('.');
    }
    lblNotice->setText(notice.join(QLatin1Char('\n')));
    lblNotice->setVisible(!notice.isEmpty());

    const bool canPlay = hasRows && playbackOff_.empty();
    const bool sounding = playing();
    cmdPlay->setEnabled(canPlay);
    cmdPlay->setText(sounding ? tr("Sto&p") : tr("&Play"));  // Alt+S is the Sound menu
    mnuPlay->setEnabled(canPlay);
    for (QAction* a : {mnuMark, mnuStartEarlier, mnuStartLater, mnuEndEarlier, mnuEndLater}) {
        a->setEnabled(hasRows);
    }
    for (QAction* a : {mnuSave, mnuExport, mnuOffsetEarlier, mnuOffsetLater}) {
        a->setEnabled(open);
    }
    cmdOffsetEarlier->setEnabled(open);
    cmdOffsetLater->setEnabled(open);
    mnuLoop->setChecked(chkLoop->isChecked());
    mnuNext->setChecked(chkNext->isChecked());

    const double offset = open ? static_cast<double>(recording_->offsetCs()) / 100.0 : 0.0;
    lblOffset->setText(tr("Offset %1 s")
                           .arg(offset > 0 ? QStringLiteral("+%1").arg(offset, 0, 'f', 1)
                                           : QString::number(offset, 'f', 1)));

    if (!open) {
        lblStatus->setText(tr("No recording is open."));
        return;
    }
    std::size_t marked = 0;
    for (const study::StudyRow& r : recording_->rows()) {
        marked += r.marked ? 1 : 0;
    }
    QString status =
        tr("Row %1 of %2, %3 marked").arg(currentRow() + 1).arg(recording_->rowCount()).arg(marked);
    if (modified) {
        status += tr(", not saved");
    }
    lblStatus->setText(status);
}

void frmReview::offer(const std::string& scriptPath) {
    offered_ = scriptPath;
    refresh();
}

void frmReview::bringUp() {
    const bool wasHidden = !isVisible();
    if (wasHidden) {
        show();
    }
    raise();
    activateWindow();
    if (wasHidden && !recording_) {
        // An empty window has one use: opening a recording, the one just made
        // when there is one.
        if (!offered_.empty()) {
            cmdOpenOffered->setFocus();
        } else {
            QTimer::singleShot(0, this, &frmReview::mnuOpen_Click);
        }
    }
}

void frmReview::mnuOpen_Click() {
    std::string start = services_.saveDir ? services_.saveDir() : std::string();
    if (recording_) {
        start = std::filesystem::path(recording_->scriptPath()).parent_path().string();
    }
    const std::string chosen = services_.chooseScript ? services_.chooseScript(this, start) : "";
    if (!chosen.empty()) {
        openRecording(chosen);
    }
}

void frmReview::cmdOpenOffered_Click() {
    if (!offered_.empty()) {
        openRecording(offered_);
    }
}

bool frmReview::openRecording(const std::string& scriptPath) {
    if (!askToSave()) {
        return false;
    }
    auto opened = study::Recording::open(scriptPath);
    if (!opened) {
        services_.boxes->MessageBoxA(opened.message(), kTitle, MB_OK | MB_ICONWARNING);
        return false;
    }
    unload();
    recording_ = std::move(opened.value());
    player_ = std::make_unique<study::RowPlayer>(*recording_);
    player_->setPadding({updPadBefore->value(), updPadAfter->value()});
    player_->setLoop(chkLoop->isChecked());
    player_->setAdvance(chkNext->isChecked());
    playbackOff_ = recording_->hasSound() ? std::string() : recording_->noSoundReason();
    if (offered_ == scriptPath) {
        offered_.clear();
    }
    rows_->setRecording(recording_.get());
    if (recording_->rowCount() > 0) {
        setCurrentRow(0);
    }
    refresh();
    lstRows->setFocus();
    if (recording_->hasSound()) {
        // The output is readied once the list is on screen, so opening does
        // not wait for the sound system.
        QTimer::singleShot(0, this, &frmReview::prepareOutput);
    }
    return true;
}

void frmReview::prepareOutput() {
    if (!recording_ || !recording_->hasSound() || !playbackOff_.empty()) {
        return;
    }
    const study::WavInfo& info = *recording_->soundInfo();
    const platform::playback::PcmFormat format{info.sampleRate, info.channels};
    if (output_ && prepared_ && prepared_->sampleRate == format.sampleRate &&
        prepared_->channels == format.channels) {
        return;
    }
    if (!output_) {
        output_ = services_.makeOutput ? services_.makeOutput() : nullptr;
        if (!output_) {
            playbackOff_ = "There is no sound output.";
            refresh();
            return;
        }
        output_->setFinishedHandler([this] { playbackFinished(); });
    }
    if (const platform::Status ready = output_->prepare(format); !ready) {
        prepared_.reset();
        playbackOff_ = ready.message();
        refresh();
        return;
    }
    prepared_ = format;
}

void frmReview::unload() {
    stopPlaying();
    if (export_ != nullptr) {
        export_->hide();
    }
    rows_->setRecording(nullptr);
    player_.reset();
    recording_.reset();
    playbackOff_.clear();
    shownRow_ = -1;
    lblText->clear();
    picWave->setOutline({}, 0, 0, 0);
    refresh();
}

bool frmReview::askToSave() {
    if (!recording_ || !recording_->modified()) {
        return true;
    }
    const std::string question =
        "Save the changes to \"" +
        std::filesystem::path(recording_->scriptPath()).filename().string() + "\"?";
    const int answer =
        services_.boxes->MessageBoxA(question, kTitle, MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL) {
        return false;
    }
    if (answer == IDYES) {
        mnuSave_Click();
        return !recording_->modified();
    }
    return true;
}

void frmReview::mnuSave_Click() {
    if (!recording_) {
        return;
    }
    if (const platform::Status saved = recording_->save(); !saved) {
        services_.boxes->MessageBoxA(saved.message() + "\r\n\r\nThe changes are not saved.", kTitle,
                                     MB_OK | MB_ICONWARNING);
    } else {
        statusBar()->showMessage(
            tr("Saved %1.").arg(QString::fromStdString(recording_->scriptPath())));
    }
    refresh();
}

void frmReview::mnuExport_Click() {
    if (!recording_) {
        return;
    }
    if (export_ == nullptr) {
        export_ = new frmExport(this, *services_.boxes, services_.settingsPath);
    }
    export_->openFor(recording_->exportSource(), {updPadBefore->value(), updPadAfter->value()});
}

void frmReview::closeEvent(QCloseEvent* event) {
    stopPlaying();
    if (!askToSave()) {
        event->ignore();
        return;
    }
    if (export_ != nullptr) {
        export_->abort();
        export_->hide();
    }
    unload();
    event->accept();
}

int frmReview::currentRow() const {
    const QModelIndex current = lstRows->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmReview::setCurrentRow(int row) {
    const QModelIndex index = rows_->index(row, study::window::ReviewRowsModel::Text);
    lstRows->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lstRows->scrollTo(index);
}

void frmReview::currentRowChanged() {
    if (following_) {
        return;
    }
    showRow(currentRow());
    if (playing()) {
        // Stepping while listening plays the row stepped to.
        startPlaying(currentRow());
    }
    refresh();
}

// The row's text, large, and the outline of its sound with its padding.
void frmReview::showRow(int row) {
    shownRow_ = row;
    if (!recording_ || row < 0 || static_cast<std::size_t>(row) >= recording_->rowCount()) {
        lblText->clear();
        picWave->setOutline({}, 0, 0, 0);
        return;
    }
    const auto i = static_cast<std::size_t>(row);
    const study::StudyRow& r = recording_->row(i);
    lblText->setText(QString::fromStdString(r.text));
    if (!recording_->hasSound() || !recording_->playable(i)) {
        picWave->setOutline({}, 0, 0, 0);
        return;
    }
    const study::FrameSpan span =
        recording_->spanOf(i, {updPadBefore->value(), updPadAfter->value()});
    if (!recording_->readSpan(span, waveSamples_)) {
        picWave->setOutline({}, 0, 0, 0);
        return;
    }
    const int channels = recording_->soundInfo()->channels;
    const int rate = recording_->soundInfo()->sampleRate;
    const auto frames = static_cast<int64_t>(waveSamples_.size()) / channels;
    const int64_t rowFirst = study::frameAt(r.startCs * 10, rate);
    const int64_t rowLast = study::frameAt(std::max(r.startCs, r.endCs) * 10, rate);
    picWave->setOutline(study::summarise(waveSamples_.data(), static_cast<std::size_t>(frames),
                                         channels, kWaveColumns),
                        frames, std::clamp<int64_t>(rowFirst - span.first, 0, frames),
                        std::clamp<int64_t>(span.first + frames - rowLast, 0, frames));
}

bool frmReview::playing() const {
    return output_ && output_->playing();
}

void frmReview::cmdPlay_Click() {
    if (playing()) {
        stopPlaying();
        refresh();
        return;
    }
    startPlaying(currentRow());
}

bool frmReview::startPlaying(int row) {
    if (!recording_ || row < 0) {
        return false;
    }
    prepareOutput();
    if (!playbackOff_.empty()) {
        statusBar()->showMessage(QString::fromStdString(playbackOff_));
        return false;
    }
    output_->stop();
    if (const platform::Status begun = player_->begin(static_cast<std::size_t>(row)); !begun) {
        statusBar()->showMessage(QString::fromStdString(begun.message()));
        stopPlaying();
        refresh();
        return false;
    }
    statusBar()->clearMessage();
    output_->play(*player_);
    Timer1->start();
    refresh();
    return true;
}

void frmReview::stopPlaying() {
    if (output_) {
        output_->stop();
    }
    Timer1->stop();
    picWave->setPlayhead(-1);
}

void frmReview::playbackFinished() {
    Timer1->stop();
    picWave->setPlayhead(-1);
    if (player_ && !player_->failure().empty()) {
        statusBar()->showMessage(QString::fromStdString(player_->failure()));
    }
    refresh();
}

// While playing: the list's current row and the waveform follow what is heard.
void frmReview::Timer1_Timer() {
    if (!playing() || !player_ || !recording_) {
        playbackFinished();
        return;
    }
    const int rate = recording_->soundInfo()->sampleRate;
    const auto played = static_cast<int64_t>(std::llround(output_->secondsPlayed() * rate));
    const study::RowPlayer::Heard heard = player_->heardAt(played);
    if (!heard.valid) {
        return;
    }
    const int row = static_cast<int>(heard.row);
    if (row != currentRow()) {
        following_ = true;
        setCurrentRow(row);
        following_ = false;
        refresh();
    }
    if (row != shownRow_) {
        showRow(row);
    }
    picWave->setPlayhead(heard.frameInSpan);
}

void frmReview::chkLoop_Click() {
    if (player_) {
        player_->setLoop(chkLoop->isChecked());
    }
    storePlayback();
    refresh();
}

void frmReview::chkNext_Click() {
    if (player_) {
        player_->setAdvance(chkNext->isChecked());
    }
    storePlayback();
    refresh();
}

void frmReview::updPadding_Change() {
    if (restoring_) {
        return;
    }
    if (player_) {
        player_->setPadding({updPadBefore->value(), updPadAfter->value()});
    }
    showRow(shownRow_);
    storePlayback();
}

void frmReview::storePlayback() {
    if (restoring_) {
        return;
    }
    // Remembering is a convenience: a settings file that cannot be written
    // changes nothing else.
    (void)settings_.store(study::PlaybackChoices{
        {updPadBefore->value(), updPadAfter->value()}, chkLoop->isChecked(), chkNext->isChecked()});
}

void frmReview::mnuMark_Click() {
    const int row = currentRow();
    if (!recording_ || row < 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(row);
    recording_->setMarked(i, !recording_->row(i).marked);
    rowEdited(row);
}

void frmReview::moveStart(int steps) {
    const int row = currentRow();
    if (recording_ && row >= 0) {
        recording_->moveStart(static_cast<std::size_t>(row), steps);
        rowEdited(row);
    }
}

void frmReview::moveEnd(int steps) {
    const int row = currentRow();
    if (recording_ && row >= 0) {
        recording_->moveEnd(static_cast<std::size_t>(row), steps);
        rowEdited(row);
    }
}

void frmReview::moveOffset(int steps) {
    if (!recording_) {
        return;
    }
    recording_->moveOffset(steps);
    rows_->allRowsChanged();
    showRow(shownRow_);
    refresh();
}

void frmReview::rowEdited(int row) {
    rows_->rowChanged(static_cast<std::size_t>(row));
    if (row == shownRow_) {
        showRow(row);
    }
    refresh();
}
