#include "study/window/frmExport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <filesystem>

namespace {

constexpr const char* kTitle = "Export";

QSpinBox* paddingBox(QWidget* parent, const char* name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, study::kMaxPaddingMs);
    box->setSingleStep(50);
    box->setSuffix(QStringLiteral(" ms"));
    return box;
}

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

frmExport::frmExport(QWidget* owner, platform::shell::MessageBoxes& boxes, std::string settingsPath)
    : QDialog(owner), boxes_(boxes), settings_(std::move(settingsPath)) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QString::fromUtf8(kTitle));
    // Over its Review window only: the rest of the program stays usable.
    setWindowModality(Qt::WindowModal);
    buildControls();
}

frmExport::~frmExport() {
    if (worker_) {
        job_->cancel();
        worker_->wait();
    }
}

void frmExport::buildControls() {
    auto* rows = named(new QGroupBox(tr("Rows"), this), "fraRows");
    optMarked = named(new QRadioButton(tr("&Marked rows only"), rows), "optMarked");
    optAll = named(new QRadioButton(tr("&All rows"), rows), "optAll");
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->addWidget(optMarked);
    rowsLayout->addWidget(optAll);

    auto* write = named(new QGroupBox(tr("Write"), this), "fraWrite");
    chkAnki = named(new QCheckBox(tr("Anki &cards with their sound"), write), "chkAnki");
    chkClips = named(new QCheckBox(tr("C&lips, one file a row"), write), "chkClips");
    cboFormat = named(new QComboBox(write), "cboFormat");
    cboFormat->addItem(QStringLiteral("MP3"), static_cast<int>(study::ClipFormat::Mp3));
    cboFormat->addItem(QStringLiteral("Opus"), static_cast<int>(study::ClipFormat::Opus));
    auto* formatLabel = new QLabel(tr("Sound &format"), write);
    formatLabel->setBuddy(cboFormat);
    chkCondensed =
        named(new QCheckBox(tr("Con&densed audio: the rows in one file"), write), "chkCondensed");
    chkSrt = named(new QCheckBox(tr("&SRT subtitles"), write), "chkSrt");
    chkVtt = named(new QCheckBox(tr("&WebVTT subtitles"), write), "chkVtt");
    auto* writeLayout = new QVBoxLayout(write);
    writeLayout->addWidget(chkAnki);
    writeLayout->addWidget(chkClips);
    writeLayout->addWidget(chkCondensed);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(formatLabel);
    formatRow->addWidget(cboFormat);
    formatRow->addStretch();
    writeLayout->addLayout(formatRow);
    auto* subtitles = new QHBoxLayout;
    subtitles->addWidget(chkSrt);
    subtitles->addWidget(chkVtt);
    subtitles->addStretch();
    writeLayout->addLayout(subtitles);

    updPadBefore = paddingBox(this, "updPadBefore");
    updPadAfter = paddingBox(this, "updPadAfter");
    txtFolder = named(new QLineEdit(this), "txtFolder");
    cmdBrowse = named(new QPushButton(tr("&Browse..."), this), "cmdBrowse");
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(txtFolder, 1);
    folderRow->addWidget(cmdBrowse);
    auto* form = new QFormLayout;
    form->addRow(tr("Padding b&efore each row"), updPadBefore);
    form->addRow(tr("Padding af&ter each row"), updPadAfter);
    auto* folderLabel = new QLabel(tr("Output f&older"), this);
    folderLabel->setBuddy(txtFolder);
    form->addRow(folderLabel, folderRow);

    barProgress = named(new QProgressBar(this), "barProgress");
    barProgress->setTextVisible(true);
    lblProgress = named(new QLabel(this), "lblProgress");
    lblProgress->setWordWrap(true);
    lblProgress->setTextFormat(Qt::PlainText);
    cmdExport = named(new QPushButton(tr("E&xport"), this), "cmdExport");
    cmdCancel = named(new QPushButton(tr("Cancel"), this), "cmdCancel");
    cmdExport->setDefault(true);
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rows);
    layout->addWidget(write);
    layout->addLayout(form);
    layout->addWidget(barProgress);
    layout->addWidget(lblProgress);
    layout->addLayout(buttons);

    setTabOrder(optMarked, optAll);
    setTabOrder(optAll, chkAnki);
    setTabOrder(chkAnki, chkClips);
    setTabOrder(chkClips, chkCondensed);
    setTabOrder(chkCondensed, cboFormat);
    setTabOrder(cboFormat, chkSrt);
    setTabOrder(chkSrt, chkVtt);
    setTabOrder(chkVtt, updPadBefore);
    setTabOrder(updPadBefore, updPadAfter);
    setTabOrder(updPadAfter, txtFolder);
    setTabOrder(txtFolder, cmdBrowse);
    setTabOrder(cmdBrowse, cmdExport);
    setTabOrder(cmdExport, cmdCancel);

    connect(cmdExport, &QPushButton::clicked, this, &frmExport::cmdExport_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmExport::cmdCancel_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmExport::cmdBrowse_Click);
    for (QCheckBox* box : {chkClips, chkCondensed}) {
        connect(box, &QCheckBox::toggled, this, &frmExport::refresh);
    }
}

void frmExport::openFor(study::ExportSource source, const study::Padding& padding) {
    if (!running()) {
        source_ = std::move(source);
        setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral(" - ") +
                       QString::fromStdString(source_.name));
        std::size_t marked = 0;
        for (const study::ExportRow& row : source_.rows) {
            marked += row.marked ? 1 : 0;
        }
        optMarked->setText(tr("&Marked rows only (%1)").arg(marked));
        optAll->setText(tr("&All rows (%1)").arg(source_.rows.size()));
        setChoices(settings_.exportChoices());
        updPadBefore->setValue(padding.beforeMs);
        updPadAfter->setValue(padding.afterMs);
        barProgress->setRange(0, 1);
        barProgress->setValue(0);
        lblProgress->clear();
        refresh();
        cmdExport->setFocus();
    }
    show();
    raise();
    activateWindow();
}

std::string frmExport::recordingFolder() const {
    return std::filesystem::path(source_.scriptPath).parent_path().string();
}

void frmExport::setChoices(const study::ExportChoices& c) {
    (c.rows == study::RowChoice::All ? optAll : optMarked)->setChecked(true);
    chkAnki->setChecked(c.anki);
    chkClips->setChecked(c.clips);
    cboFormat->setCurrentIndex(c.clipFormat == study::ClipFormat::Opus ? 1 : 0);
    chkCondensed->setChecked(c.condensed);
    chkSrt->setChecked(c.srt);
    chkVtt->setChecked(c.vtt);
    txtFolder->setText(QString::fromStdString(c.folder.empty() ? recordingFolder() : c.folder));
}

study::ExportChoices frmExport::choices() const {
    study::ExportChoices c;
    c.rows = optAll->isChecked() ? study::RowChoice::All : study::RowChoice::Marked;
    c.anki = chkAnki->isChecked();
    c.clips = chkClips->isChecked();
    c.clipFormat = static_cast<study::ClipFormat>(cboFormat->currentData().toInt());
    c.condensed = chkCondensed->isChecked();
    c.srt = chkSrt->isChecked();
    c.vtt = chkVtt->isChecked();
    // The recording's own folder is remembered as none, so the next
    // recording's export goes beside that one.
    const std::string folder = txtFolder->text().toStdString();
    c.folder = folder == recordingFolder() ? std::string() : folder;
    return c;
}

study::ExportOptions frmExport::options() const {
    const study::ExportChoices c = choices();
    const std::string folder = c.folder.empty() ? recordingFolder() : c.folder;
    const std::string base = folder + "/" + source_.name;
    study::ExportOptions o;
    o.rows = c.rows;
    o.padding = {updPadBefore->value(), updPadAfter->value()};
    o.clipFormat = c.clipFormat;
    if (c.anki) {
        o.ankiDir = folder;
    }
    if (c.clips) {
        o.clipsDir = folder;
    }
    if (c.condensed) {
        o.condensedPath = base + "-condensed" + study::clipExtension(c.clipFormat);
    }
    o.srt = c.srt;
    o.vtt = c.vtt;
    o.subtitleDir = folder;
    return o;
}

// One place sets the controls from the state: idle or exporting.
void frmExport::refresh() {
    const bool idle = !running();
    for (QWidget* w : std::initializer_list<QWidget*>{
             optMarked, optAll, chkAnki, chkClips, chkCondensed, chkSrt, chkVtt, updPadBefore,
             updPadAfter, txtFolder, cmdBrowse, cmdExport}) {
        w->setEnabled(idle);
    }
    // The clips' format is also the condensed audio's.
    cboFormat->setEnabled(idle && (chkClips->isChecked() || chkCondensed->isChecked()));
    cmdCancel->setText(idle ? tr("Close") : tr("Cancel"));
}

void frmExport::cmdBrowse_Click() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("Output Folder"), txtFolder->text());
    if (!chosen.isEmpty()) {
        txtFolder->setText(chosen);
    }
}

void frmExport::cmdExport_Click() {
    if (running()) {
        return;
    }
    auto job =
        std::make_shared<study::ExportJob>(std::vector<study::ExportSource>{source_}, options());
    if (const platform::Status ready = job->check(); !ready) {
        boxes_.MessageBoxA(ready.message() + "\r\n\r\nNothing was written.", kTitle,
                           platform::shell::MB_OK | platform::shell::MB_ICONWARNING);
        return;
    }
    // Remembering is a convenience: a settings file that cannot be written
    // does not stop the export.
    (void)settings_.store(choices());

    job_ = job;
    pending_ = std::make_shared<study::ExportReport>();
    auto pending = pending_;
    worker_.reset(QThread::create([this, job, pending] {
        *pending = job->run([this](const study::ExportProgress& p) {
            QMetaObject::invokeMethod(
                this, [this, p] { progressed(p); }, Qt::QueuedConnection);
        });
    }));
    connect(worker_.get(), &QThread::finished, this, &frmExport::finished);
    barProgress->setRange(0, 0);
    lblProgress->setText(tr("Exporting..."));
    worker_->start();
    refresh();
    cmdCancel->setFocus();
}

void frmExport::progressed(const study::ExportProgress& p) {
    if (!running()) {
        return;
    }
    barProgress->setRange(0, std::max(p.total, 1));
    barProgress->setValue(p.done);
    lblProgress->setText(QString::fromStdString(p.doing));
}

void frmExport::finished() {
    if (!running()) {
        return;  // abort() has taken the report already
    }
    worker_->wait();
    worker_.reset();
    job_.reset();
    report_ = *pending_;
    pending_.reset();
    refresh();
    barProgress->setRange(0, 1);
    barProgress->setValue(report_.status ? 1 : 0);

    std::string notes;
    for (const std::string& note : report_.notes) {
        notes += "\n" + note;
    }
    if (report_.cancelled) {
        lblProgress->setText(QString::fromStdString(report_.status.message()));
    } else if (!report_.status) {
        std::string text = report_.status.message() + "\r\n\r\n";
        if (report_.written.empty()) {
            text += "Nothing was written.";
        } else {
            text += "These files were written:";
            for (const std::string& path : report_.written) {
                text += "\r\n" + path;
            }
        }
        lblProgress->setText(tr("The export failed."));
        boxes_.MessageBoxA(text, kTitle, platform::shell::MB_OK | platform::shell::MB_ICONWARNING);
    } else {
        const std::size_t n = report_.written.size();
        const QString files = n == 1 ? tr("1 file") : tr("%1 files").arg(n);
        lblProgress->setText(tr("Done: %1 written into %2.").arg(files, txtFolder->text()) +
                             QString::fromStdString(notes));
    }
    if (closeWhenDone_) {
        closeWhenDone_ = false;
        QDialog::reject();
    }
}

void frmExport::abort() {
    if (running()) {
        job_->cancel();
        worker_->wait();
        finished();
    }
}

void frmExport::cmdCancel_Click() {
    if (running()) {
        job_->cancel();
        lblProgress->setText(tr("Cancelling..."));
        return;
    }
    QDialog::reject();
}

void frmExport::reject() {
    cmdCancel_Click();
}

void frmExport::closeEvent(QCloseEvent* event) {
    if (running()) {
        // Closed while exporting: the export is cancelled and the dialog goes
        // once it has cleaned up.
        closeWhenDone_ = true;
        job_->cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
