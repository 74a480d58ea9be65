#include "platform/tv/net/SourceDialog.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/core/ProfileFile.h"
#include "platform/tv/SwitchingCard.h"
#include "platform/tv/net/DiscoveryPacket.h"
#include "platform/tv/net/TunerFinder.h"
#include "platform/tv/stream/CardSource.h"

namespace platform::tv::net {

SourceDialog::SourceDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSource"));
    setWindowTitle(QStringLiteral("Source"));
    finder_ = new TunerFinder(this);
    auto* grid = new QGridLayout(this);
    auto named = [](auto* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    optTuner = named(new QRadioButton(QStringLiteral("Network &tuner"), this), "optTuner");
    txtTuner = named(new QLineEdit(this), "txtTuner");
    txtTuner->setPlaceholderText(QStringLiteral("http://192.168.1.20"));
    cmdFind = named(new QPushButton(QStringLiteral("&Find"), this), "cmdFind");
    lstTuners = named(new QListWidget(this), "lstTuners");
    lstTuners->setMaximumHeight(70);
    lblFind = named(new QLabel(this), "lblFind");
    optPlaylist =
        named(new QRadioButton(QStringLiteral("&Playlist (M3U file or URL)"), this), "optPlaylist");
    txtPlaylist = named(new QLineEdit(this), "txtPlaylist");
    cmdPlaylistBrowse =
        named(new QPushButton(QStringLiteral("&Browse..."), this), "cmdPlaylistBrowse");
    optFolder = named(new QRadioButton(QStringLiteral("F&older of recordings"), this), "optFolder");
    txtFolder = named(new QLineEdit(this), "txtFolder");
    cmdFolderBrowse = named(new QPushButton(QStringLiteral("Bro&wse..."), this), "cmdFolderBrowse");
    optSimulated =
        named(new QRadioButton(QStringLiteral("&Simulated card (sample stations)"), this),
              "optSimulated");
    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    cmdOK->setDefault(true);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {optTuner, optPlaylist, optFolder, optSimulated}) {
        group->addButton(b);
        connect(b, &QRadioButton::toggled, this, &SourceDialog::updateControls);
    }

    grid->addWidget(optTuner, 0, 0, 1, 3);
    grid->addWidget(txtTuner, 1, 1);
    grid->addWidget(cmdFind, 1, 2);
    grid->addWidget(lstTuners, 2, 1);
    grid->addWidget(lblFind, 3, 1, 1, 2);
    grid->addWidget(optPlaylist, 4, 0, 1, 3);
    grid->addWidget(txtPlaylist, 5, 1);
    grid->addWidget(cmdPlaylistBrowse, 5, 2);
    grid->addWidget(optFolder, 6, 0, 1, 3);
    grid->addWidget(txtFolder, 7, 1);
    grid->addWidget(cmdFolderBrowse, 7, 2);
    grid->addWidget(optSimulated, 8, 0, 1, 3);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 9, 0, 1, 3);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnMinimumWidth(1, 300);

    // Choosing a kind of source puts the cursor in its field.
    connect(optTuner, &QRadioButton::clicked, txtTuner, [this] { txtTuner->setFocus(); });
    connect(optPlaylist, &QRadioButton::clicked, txtPlaylist, [this] { txtPlaylist->setFocus(); });
    connect(optFolder, &QRadioButton::clicked, txtFolder, [this] { txtFolder->setFocus(); });
    connect(cmdFind, &QPushButton::clicked, this, &SourceDialog::cmdFind_Click);
    connect(lstTuners, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        txtTuner->setText(item->data(Qt::UserRole).toString());
    });
    connect(cmdPlaylistBrowse, &QPushButton::clicked, this, [this] {
        const QString f =
            QFileDialog::getOpenFileName(this, QStringLiteral("Playlist"), txtPlaylist->text(),
                                         QStringLiteral("Playlists (*.m3u *.m3u8);;All files (*)"));
        if (!f.isEmpty()) {
            txtPlaylist->setText(f);
        }
    });
    connect(cmdFolderBrowse, &QPushButton::clicked, this, [this] {
        const QString d = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Folder of recordings"), txtFolder->text());
        if (!d.isEmpty()) {
            txtFolder->setText(d);
        }
    });
    connect(cmdOK, &QPushButton::clicked, this, &SourceDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &SourceDialog::reject);
    optSimulated->setChecked(true);
}

SourceDialog::~SourceDialog() = default;

void SourceDialog::setSource(const std::string& value) {
    Result<stream::CardSource> parsed = stream::parseCardSource(value);
    const stream::CardSource s = parsed ? parsed.value() : stream::CardSource{};
    switch (s.kind) {
        case stream::SourceKind::Tuner:
            txtTuner->setText(QString::fromStdString(s.location));
            optTuner->setChecked(true);
            break;
        case stream::SourceKind::Playlist:
            txtPlaylist->setText(QString::fromStdString(s.location));
            optPlaylist->setChecked(true);
            break;
        case stream::SourceKind::Folder:
            txtFolder->setText(QString::fromStdString(s.location));
            optFolder->setChecked(true);
            break;
        case stream::SourceKind::Simulated:
            optSimulated->setChecked(true);
            break;
    }
    updateControls();
}

Result<std::string> SourceDialog::chosenSource() const {
    std::string value;
    if (optTuner->isChecked()) {
        value = txtTuner->text().trimmed().toStdString();
        if (value.empty()) {
            return Error{"Type the tuner's address, or press Find"};
        }
        if (value.find("://") == std::string::npos) {
            value = "http://" + value;
        }
    } else if (optPlaylist->isChecked()) {
        const std::string where = txtPlaylist->text().trimmed().toStdString();
        if (where.empty()) {
            return Error{"Choose the playlist's file, or type its URL"};
        }
        value = "m3u:" + where;
    } else if (optFolder->isChecked()) {
        const std::string where = txtFolder->text().trimmed().toStdString();
        if (where.empty()) {
            return Error{"Choose the folder of recordings"};
        }
        value = "dir:" + where;
    }
    Result<stream::CardSource> parsed = stream::parseCardSource(value);
    if (!parsed) {
        return Error{parsed.message()};
    }
    return stream::formatCardSource(parsed.value());
}

void SourceDialog::cmdFind_Click() {
    lstTuners->clear();
    lblFind->setText(QStringLiteral("Looking for tuners..."));
    cmdFind->setEnabled(false);
    finder_->find(
        txtTuner->text().trimmed().toStdString(),
        [this](const FoundTuner& t) {
            auto* item = new QListWidgetItem(QString::fromStdString(t.name + "  " + t.address));
            item->setData(Qt::UserRole, QString::fromStdString(t.address));
            lstTuners->addItem(item);
            if (lstTuners->count() == 1) {
                txtTuner->setText(QString::fromStdString(t.address));
                optTuner->setChecked(true);
            }
        },
        [this] {
            cmdFind->setEnabled(true);
            const int n = lstTuners->count();
            lblFind->setText(n == 0   ? QStringLiteral("No tuner answered")
                             : n == 1 ? QStringLiteral("1 tuner found")
                                      : QStringLiteral("%1 tuners found").arg(n));
        });
}

void SourceDialog::cmdOK_Click() {
    const Result<std::string> chosen = chosenSource();
    if (!chosen) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(chosen.message()));
        return;
    }
    accept();
}

void SourceDialog::updateControls() {
    const bool tuner = optTuner->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(txtTuner), static_cast<QWidget*>(lstTuners)}) {
        w->setEnabled(tuner);
    }
    txtPlaylist->setEnabled(optPlaylist->isChecked());
    cmdPlaylistBrowse->setEnabled(optPlaylist->isChecked());
    txtFolder->setEnabled(optFolder->isChecked());
    cmdFolderBrowse->setEnabled(optFolder->isChecked());
}

std::optional<std::string> askForSource(const std::string& current, QWidget* parent) {
    SourceDialog dialog(parent);
    // Where Find asks for tuners: the local network's broadcast address
    // unless the card's settings name another ("HOST" or "HOST:PORT").
    const std::string discovery = GetPrivateProfileStringA(stream::kCardSection, "Discovery", "",
                                                           SwitchingCard::defaultSettingsPath());
    if (!discovery.empty()) {
        const QString text = QString::fromStdString(discovery);
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        const quint16 port =
            colon > 0 ? static_cast<quint16>(text.mid(colon + 1).toUInt()) : kDiscoveryPort;
        dialog.finder().setDiscoveryTarget(QHostAddress(colon > 0 ? text.left(colon) : text), port);
    }
    dialog.setSource(current);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    Result<std::string> chosen = dialog.chosenSource();
    return chosen ? std::optional<std::string>(chosen.value()) : std::nullopt;
}

void reportSourceProblem(const std::string& message, QWidget* parent) {
    QMessageBox::warning(parent, QStringLiteral("Source"), QString::fromStdString(message));
}

}  // namespace platform::tv::net
