#include "dialogs/frmQuality.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/DialogFrame.h"

namespace {

constexpr std::array<int32_t, 4> kRates = {8000, 11025, 22050, 44100};
constexpr int kDefaultRateIndex = 2;

struct Place {
    int left, top, width, height;
};

QRadioButton* option(QGroupBox* frame, const char* caption, const char* name, Place p) {
    auto* button = new QRadioButton(QString::fromUtf8(caption), frame);
    button->setObjectName(name);
    dialogs::placeInTwips(button, p.left, p.top, p.width, p.height);
    return button;
}

QGroupBox* frame(QWidget* parent, const char* caption, const char* name, Place p) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    dialogs::placeInTwips(box, p.left, p.top, p.width, p.height);
    return box;
}

// An exclusive group keeps one button checked; clearing them all needs the
// exclusivity off for a moment.
template <std::size_t N>
void clearAll(const std::array<QRadioButton*, N>& group) {
    for (QRadioButton* b : group) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

}  // namespace

frmQuality::frmQuality(recording::QualityValues& values) : QDialog(nullptr), values_(values) {
    dialogs::makeFixedDialog(this, "Recording Quality", 4800, 2490);

    fraSamplingRate = frame(this, "Sampling Rate", "fraSamplingRate", {120, 120, 1455, 2295});
    // The last caption says 44000Hz; the rate it gives is 44100.
    optSamplingRate = {
        option(fraSamplingRate, "8000Hz", "optSamplingRate0", {240, 240, 1095, 375}),
        option(fraSamplingRate, "11025Hz", "optSamplingRate1", {240, 600, 1095, 375}),
        option(fraSamplingRate, "22050Hz", "optSamplingRate2", {240, 960, 1095, 375}),
        option(fraSamplingRate, "44000Hz", "optSamplingRate3", {240, 1320, 1095, 375}),
    };
    fraQuantization = frame(this, "Quantization Bit", "fraQuantization", {1680, 120, 1695, 1095});
    optQuantization = {
        option(fraQuantization, "8bit", "optQuantization0", {240, 240, 615, 375}),
        option(fraQuantization, "16bit", "optQuantization1", {240, 600, 735, 375}),
    };
    fraChannel = frame(this, "Channel", "fraChannel", {1680, 1320, 1695, 1095});
    optChannel = {
        option(fraChannel, "Mono", "optChannel0", {240, 240, 1095, 255}),
        option(fraChannel, "Stereo", "optChannel1", {240, 600, 1095, 255}),
    };
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdOK->setObjectName("cmdOK");
    cmdCancel->setObjectName("cmdCancel");
    dialogs::placeInTwips(cmdOK, 3600, 240, 1095, 315);
    dialogs::placeInTwips(cmdCancel, 3600, 720, 1095, 315);
    // OK is the default button; Enter on Cancel presses Cancel (keyPressEvent).
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    cmdOK->setDefault(true);

    // Cancel first, then OK, then the rates in the order 11025, 8000, 22050,
    // 44100, then the bits and the channels.
    const QWidget* order[] = {cmdCancel,          cmdOK,
                              optSamplingRate[1], optSamplingRate[0],
                              optSamplingRate[2], optSamplingRate[3],
                              optQuantization[0], optQuantization[1],
                              optChannel[0],      optChannel[1]};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    }

    dialogs::fitFont(this);

    connect(cmdOK, &QPushButton::clicked, this, &frmQuality::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmQuality::cmdCancel_Click);
}

frmQuality& frmQuality::instance() {
    // Kept to the end of the process, as are the values it edits.
    static frmQuality* dialog = new frmQuality(recording::qualityValues());
    return *dialog;
}

void frmQuality::showDialog() {
    instance().bringUp();
}

void frmQuality::bringUp() {
    if (!isVisible()) {
        Form_Load();
        show();
    }
    raise();
    activateWindow();
}

void frmQuality::Form_Load() {
    clearAll(optSamplingRate);
    clearAll(optQuantization);
    clearAll(optChannel);

    std::size_t rate = kDefaultRateIndex;
    bool known = false;
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        if (values_.m_nSamplingRate == kRates[i]) {
            rate = i;
            known = true;
        }
    }
    if (!known) {
        values_.m_nSamplingRate = kRates[kDefaultRateIndex];
    }
    optSamplingRate[rate]->setChecked(true);
    optQuantization[values_.m_nQBits == 8 ? 0 : 1]->setChecked(true);
    optChannel[values_.m_nChannels == 1 ? 0 : 1]->setChecked(true);
    cmdCancel->setFocus();
}

void frmQuality::cmdOK_Click() {
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        if (optSamplingRate[i]->isChecked()) {
            values_.m_nSamplingRate = kRates[i];
        }
    }
    values_.m_nQBits = optQuantization[0]->isChecked() ? 8 : 16;
    values_.m_nChannels = optChannel[0]->isChecked() ? 1 : 2;
    QDialog::accept();
}

void frmQuality::cmdCancel_Click() {
    QDialog::reject();
}

void frmQuality::reject() {
    cmdCancel_Click();
}

void frmQuality::keyPressEvent(QKeyEvent* event) {
    if (!dialogs::pressForEnter(this, event, cmdOK)) {
        QDialog::keyPressEvent(event);
    }
}
