#include "platform/tv/net/ScanBox.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/tv/net/BlockingCallGate.h"

namespace platform::tv::net {

ScanBox::ScanBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ScanBox"));
    setWindowTitle(QStringLiteral("Scanning Channels"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(QStringLiteral("Scanning the channels..."), this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    found_ = new QLabel(QStringLiteral("0 channels found"), this);
    found_->setObjectName(QStringLiteral("lblFound"));
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);
    bar_->setMinimumWidth(260);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(status_);
    layout->addWidget(found_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &ScanBox::reject);
}

ScanBox::~ScanBox() = default;

void ScanBox::setProgress(int percent, int found) {
    if (percent < 0) {
        bar_->setRange(0, 0);
    } else {
        bar_->setRange(0, 100);
        bar_->setValue(std::min(percent, 100));
    }
    found_->setText(found == 1 ? QStringLiteral("1 channel found")
                               : QStringLiteral("%1 channels found").arg(found));
}

void ScanBox::setStatus(const QString& text) {
    status_->setText(text);
}

QString ScanBox::statusText() const {
    return status_->text();
}

void ScanBox::runUntilFinished() {
    if (finished_) {
        return;
    }
    const BlockingCallGate gate({this});
    show();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    hide();
}

void ScanBox::finish() {
    finished_ = true;
    if (loop_) {
        loop_->quit();
    }
}

void ScanBox::reject() {
    // The box stays until the card has stopped the scan and read what it
    // found so far.
    if (cancelled_ || finished_) {
        return;
    }
    cancelled_ = true;
    cancel_->setEnabled(false);
    status_->setText(QStringLiteral("Stopping the scan..."));
    if (onCancel_) {
        onCancel_();
    }
}

}  // namespace platform::tv::net
