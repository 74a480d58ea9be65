// The Review window over the study core, on the offscreen platform: a
// recording opened, its rows played through an output device the test pulls
// from, the keys that play, loop, step, mark and move edges, saving, and
// the answers a person gets when a WAV, an output device or good lines are
// missing.
#include <sndfile.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "study/model/Recording.h"
#include "study/script/ScriptFile.h"
#include "study/window/WaveformView.h"
#include "study/window/frmExport.h"
#include "study/window/frmReview.h"
#include "tests/study/StudyTestKit.h"
#include "tests/study/window/PulledOutput.h"
#include "tests/support/FakeMessageBoxes.h"
#include "tests/support/ReadOnlyFolder.h"
#include "tests/support/TempDir.h"

using testsupport::FakeMessageBoxes;
using testsupport::TempDir;

namespace {

constexpr int kRate = 8000;
constexpr int kChannels = 2;
constexpr int64_t kWavFrames = 12 * kRate;  // 12 s: the last row lies past its end
// 0xE9 is é in Windows-1252.
const std::string kScript =
    "100\t250\tBonjour, caf\xE9 !\r\n"
    "300\t420\tSecond line\t1\r\n"
    "500\t650\tThird\r\n"
    "2000\t2100\tPast the end\r\n";

// Frames of the padded row from startMs to endMs at the test's rate.
int64_t frameAtMs(int64_t ms) {
    return ms * kRate / 1000;
}

// The WAV's frames [first, first + count) as libsndfile reads them.
std::vector<float> wavFrames(const std::string& path, int64_t first, int64_t count) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> out(static_cast<std::size_t>(count * info.channels));
    sf_seek(f, first, SEEK_SET);
    out.resize(static_cast<std::size_t>(sf_readf_float(f, out.data(), count) * info.channels));
    sf_close(f);
    return out;
}

std::vector<float> slice(const std::vector<float>& v, int64_t firstFrame, int64_t frames) {
    const auto from = static_cast<std::size_t>(firstFrame * kChannels);
    const auto n = static_cast<std::size_t>(frames * kChannels);
    return from >= v.size()
               ? std::vector<float>{}
               : std::vector<float>(v.begin() + static_cast<long>(from),
                                    v.begin() + static_cast<long>(std::min(from + n, v.size())));
}

}  // namespace

class ReviewWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    FakeMessageBoxes boxes_;
    studytest::PulledOutput* output_ = nullptr;
    std::string refuse_;
    std::string chosen_;
    std::string script_;
    std::string wav_;

    std::unique_ptr<frmReview> makeWindow() {
        frmReview::Services s;
        s.saveDir = [this] { return dir_->path(); };
        s.boxes = &boxes_;
        s.makeOutput = [this] {
            auto out = std::make_unique<studytest::PulledOutput>();
            out->refuse = refuse_;
            output_ = out.get();
            return out;
        };
        s.chooseScript = [this](QWidget*, const std::string& start) {
            return start == dir_->path() ? chosen_ : std::string();
        };
        s.settingsPath = dir_->file("config/cuelark/study.ini");
        auto w = std::make_unique<frmReview>(std::move(s));
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get())) {
            qWarning("the Review window did not become active");
        }
        return w;
    }

    // Opens the test's recording with Ctrl+O, as a person would.
    std::unique_ptr<frmReview> openWindow() {
        auto w = makeWindow();
        chosen_ = script_;
        QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
        QCoreApplication::processEvents();  // the output is readied once the list shows
        return w;
    }

    static void key(frmReview& w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(w.lstRows, k, m);
    }
    static QString cell(frmReview& w, int row, int column, int role = Qt::DisplayRole) {
        return w.lstRows->model()->index(row, column).data(role).toString();
    }

  private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<TempDir>();
        boxes_ = FakeMessageBoxes{};
        output_ = nullptr;
        refuse_.clear();
        script_ = dir_->file("evening.txt");
        wav_ = dir_->file("evening.wav");
        testsupport::writeFile(script_, kScript);
        QVERIFY(studytest::writeWav(wav_, kRate, kChannels, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                                    studytest::chirp(kRate, kChannels, kWavFrames)));
    }
    void cleanup() { dir_.reset(); }

    void opensAndPlaysTheFocusedRowWithItsPadding() {
        auto w = openWindow();
        QVERIFY(w->recording() != nullptr);
        QCOMPARE(w->windowTitle(), QStringLiteral("evening[*] - Review Recording"));
        QCOMPARE(w->lstRows->model()->rowCount(), 4);
        QCOMPARE(cell(*w, 0, 0), QStringLiteral("00:01.00"));
        QCOMPARE(cell(*w, 0, 1), QStringLiteral("00:02.50"));
        QCOMPARE(cell(*w, 0, 2), QStringLiteral("Bonjour, café !"));
        QCOMPARE(w->lstRows->model()->index(1, 3).data(Qt::CheckStateRole).toInt(),
                 int{Qt::Checked});
        QCOMPARE(w->lstRows->model()->index(0, 3).data(Qt::CheckStateRole).toInt(),
                 int{Qt::Unchecked});
        QCOMPARE(w->currentRow(), 0);
        QVERIFY(w->lstRows->hasFocus());
        QCOMPARE(w->lblText->text(), QStringLiteral("Bonjour, café !"));
        // The waveform: the padded row, its 50 ms before and 350 ms after shaded.
        QVERIFY(!w->picWave->columns().empty());
        QCOMPARE(w->picWave->padBefore(), frameAtMs(50));
        QCOMPARE(w->picWave->padAfter(), frameAtMs(350));
        QVERIFY(w->playbackOffReason().empty());
        QVERIFY(output_ != nullptr);
        QCOMPARE(output_->format.sampleRate, kRate);
        QCOMPARE(output_->format.channels, kChannels);

        // Space plays the row from 50 ms before it to 350 ms after it: those
        // frames of the WAV, no more.
        key(*w, Qt::Key_Space);
        QVERIFY(w->playing());
        QCOMPARE(w->cmdPlay->text(), QStringLiteral("Sto&p"));
        output_->drain();
        const int64_t first = frameAtMs(950);
        const int64_t count = frameAtMs(2850) - first;
        QCOMPARE(output_->taken, wavFrames(wav_, first, count));
        QVERIFY(!w->playing());
        QCOMPARE(w->cmdPlay->text(), QStringLiteral("&Play"));

        // The padding is the user's: 100 ms after.
        w->updPadAfter->setValue(100);
        key(*w, Qt::Key_Space);
        output_->drain();
        QCOMPARE(output_->taken, wavFrames(wav_, first, frameAtMs(2600) - first));
        QCOMPARE(w->picWave->padAfter(), frameAtMs(100));

        // Space while playing stops.
        key(*w, Qt::Key_Space);
        output_->take(100);
        key(*w, Qt::Key_Space);
        QVERIFY(!w->playing());
        QCOMPARE(output_->prepares, 1);  // readied once, not at every Space

        // A row past the end of the WAV is listed, greyed, and says so.
        QVERIFY(w->lstRows->model()->index(3, 0).data(Qt::ForegroundRole).isValid());
        w->setCurrentRow(3);
        key(*w, Qt::Key_Space);
        QVERIFY(!w->playing());
        QVERIFY(w->statusBar()->currentMessage().contains(QStringLiteral("past the end")));
    }

    void loopRepeatsTheRowAndNextStepsOnWithTheListFollowing() {
        auto w = openWindow();
        const int64_t first = frameAtMs(950);
        const int64_t span = frameAtMs(2850) - first;
        const std::vector<float> row0 = wavFrames(wav_, first, span);

        key(*w, Qt::Key_L);
        QVERIFY(w->chkLoop->isChecked());
        key(*w, Qt::Key_Space);
        QCOMPARE(output_->take(static_cast<std::size_t>(span)), static_cast<std::size_t>(span));
        QCOMPARE(output_->take(static_cast<std::size_t>(span)), static_cast<std::size_t>(span));
        QCOMPARE(slice(output_->taken, span, span), row0);
        // An edge moved while the row loops is heard at its next turn.
        key(*w, Qt::Key_BracketRight);
        const int64_t later = frameAtMs(50);
        output_->take(static_cast<std::size_t>(span - later));
        QCOMPARE(slice(output_->taken, 2 * span, span - later), slice(row0, later, span - later));
        key(*w, Qt::Key_BracketLeft);
        key(*w, Qt::Key_Space);

        // Next row when one ends: rows 1 and 2 follow row 0 with their own
        // padding; the row past the end of the sound ends it.
        key(*w, Qt::Key_L);
        key(*w, Qt::Key_N);
        QVERIFY(!w->chkLoop->isChecked());
        QVERIFY(w->chkNext->isChecked());
        key(*w, Qt::Key_Space);
        const int plays = output_->plays;
        output_->take(static_cast<std::size_t>(span + frameAtMs(200)));
        w->Timer1_Timer();
        QCOMPARE(w->currentRow(), 1);  // the list follows what is heard...
        QCOMPARE(w->lblText->text(), QStringLiteral("Second line"));
        QCOMPARE(output_->plays, plays);  // ...without starting it again
        output_->drain();
        const int64_t span1 = frameAtMs(4550) - frameAtMs(2950);
        const int64_t span2 = frameAtMs(6850) - frameAtMs(4950);
        QCOMPARE(static_cast<int64_t>(output_->taken.size()) / kChannels, span + span1 + span2);
        QCOMPARE(slice(output_->taken, span + span1, span2),
                 wavFrames(wav_, frameAtMs(4950), span2));

        // Stepping while playing plays the row stepped to.
        w->setCurrentRow(0);
        key(*w, Qt::Key_Space);
        key(*w, Qt::Key_Down);
        QCOMPARE(w->currentRow(), 1);
        QVERIFY(w->playing());
        output_->take(10);
        QCOMPARE(slice(output_->taken, 0, 10), wavFrames(wav_, frameAtMs(2950), 10));
    }

    void keysMarkAndMoveEdgesAndCtrlSSavesThem() {
        auto w = openWindow();
        key(*w, Qt::Key_Down);
        QCOMPARE(w->currentRow(), 1);
        key(*w, Qt::Key_M);  // row 2 loses its mark
        key(*w, Qt::Key_Down);
        key(*w, Qt::Key_Up);
        key(*w, Qt::Key_Down);
        QCOMPARE(w->currentRow(), 2);
        key(*w, Qt::Key_M);  // row 3 gets one
        key(*w, Qt::Key_BracketLeft);
        key(*w, Qt::Key_BracketLeft);
        key(*w, Qt::Key_BracketRight);  // start 50 ms earlier
        key(*w, Qt::Key_BraceRight);
        key(*w, Qt::Key_BraceRight);
        key(*w, Qt::Key_BraceLeft);  // end 50 ms later
        QCOMPARE(cell(*w, 2, 0), QStringLiteral("00:04.95"));
        QCOMPARE(cell(*w, 2, 1), QStringLiteral("00:06.55"));
        key(*w, Qt::Key_Minus);  // every row 100 ms earlier
        key(*w, Qt::Key_Minus);
        key(*w, Qt::Key_Plus);
        QCOMPARE(w->lblOffset->text(), QStringLiteral("Offset -0.1 s"));
        QCOMPARE(cell(*w, 0, 0), QStringLiteral("00:00.90"));
        QVERIFY(w->isWindowModified());
        QVERIFY(w->lblStatus->text().contains(QStringLiteral("not saved")));

        key(*w, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!w->isWindowModified());
        QVERIFY(boxes_.shown.empty());
        const auto saved = study::readScriptFile(script_);
        QVERIFY(saved.isOk());
        const std::vector<study::ScriptRow> expected{{1, 90, 240, "Bonjour, caf\xE9 !", false},
                                                     {2, 290, 410, "Second line", false},
                                                     {3, 485, 645, "Third", true},
                                                     {4, 1990, 2090, "Past the end", false}};
        QCOMPARE(saved.value().text.rows.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QVERIFY2(saved.value().text.rows[i] == expected[i], qPrintable(QString::number(i)));
        }
        QCOMPARE(testsupport::readFile(study::backupPathOf(script_)), kScript);
    }

    void whatCannotBePlayedIsSaidWithItsReason() {
        // The script alone: listed, playback off, and why.
        QVERIFY(std::remove(wav_.c_str()) == 0);
        testsupport::writeFile(script_,
                               "100\t250\tONE\r\nnot a row\r\n300\t400\tTWO\r\n12a\t5\tX\r\n");
        auto w = openWindow();
        QCOMPARE(w->lstRows->model()->rowCount(), 2);
        QVERIFY(w->playbackOffReason().find("evening.wav") != std::string::npos);
        QVERIFY(!w->cmdPlay->isEnabled());
        const QString notice = w->lblNotice->text();
        QVERIFY2(notice.contains(QString::fromStdString(w->playbackOffReason())),
                 qPrintable(notice));
        // The lines that are not rows, by number.
        QVERIFY2(notice.contains(QStringLiteral("line 2")), qPrintable(notice));
        QVERIFY2(notice.contains(QStringLiteral("line 4")), qPrintable(notice));
        key(*w, Qt::Key_Space);
        QVERIFY(!w->playing());
        QVERIFY(output_ == nullptr);  // no device was even asked for

        // A machine without a sound device: the rows are there, nothing plays.
        testsupport::writeFile(script_, kScript);
        QVERIFY(studytest::writeWav(wav_, kRate, kChannels, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                                    studytest::chirp(kRate, kChannels, kRate)));
        refuse_ = "There is no sound output device (no sound server is running).";
        auto quiet = openWindow();
        QCOMPARE(quiet->playbackOffReason(), refuse_);
        QVERIFY(quiet->lblNotice->text().contains(QString::fromStdString(refuse_)));
        key(*quiet, Qt::Key_Space);
        QVERIFY(!quiet->playing());
        QCOMPARE(output_->plays, 0);
    }

    void closingWithChangesAsksYesNoOrCancel() {
        auto w = openWindow();
        key(*w, Qt::Key_M);
        boxes_.yesNoAnswer = platform::shell::IDCANCEL;
        w->close();
        QVERIFY(w->isVisible());
        QVERIFY(w->recording() != nullptr && w->recording()->modified());
        QCOMPARE(boxes_.shown.size(), std::size_t{1});
        QCOMPARE(boxes_.shown[0].text, std::string("Save the changes to \"evening.txt\"?"));
        QCOMPARE(boxes_.shown[0].style & platform::shell::MB_TYPEMASK,
                 platform::shell::MB_YESNOCANCEL);

        boxes_.yesNoAnswer = platform::shell::IDNO;
        w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(w->recording() == nullptr);
        QCOMPARE(testsupport::readFile(script_), kScript);

        QVERIFY(w->openRecording(script_));
        w->bringUp();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        key(*w, Qt::Key_M);
        boxes_.yesNoAnswer = platform::shell::IDYES;
        w->close();
        QVERIFY(!w->isVisible());
        const std::string marked = "100\t250\tBonjour, caf\xE9 !\t1\r\n";
        QCOMPARE(testsupport::readFile(script_).substr(0, marked.size()), marked);
    }

    void offersTheRecordingJustMade() {
        auto w = makeWindow();
        w->hide();
        w->offer(script_);
        w->bringUp();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QVERIFY(w->fraOffer->isVisible());
        QCOMPARE(w->lblOffer->text(), QStringLiteral("Just recorded: \u201Cevening\u201D."));
        QCOMPARE(w->focusWidget(), w->cmdOpenOffered);
        QTest::keyClick(w->cmdOpenOffered, Qt::Key_Return);
        QVERIFY(w->recording() != nullptr);
        QVERIFY(!w->fraOffer->isVisible());
        // The same name recorded again while it is open.
        w->offer(script_);
        QVERIFY(w->lblOffer->text().contains(QStringLiteral("again")));
    }

    void exportRunsInTheBackgroundAndRemembersTheChoices() {
        auto w = openWindow();
        key(*w, Qt::Key_M);  // rows 1 and 2 are marked now
        key(*w, Qt::Key_E, Qt::ControlModifier);
        frmExport* dialog = w->exportDialog();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        QVERIFY(dialog->optMarked->isChecked());
        QVERIFY(dialog->chkAnki->isChecked());
        QCOMPARE(dialog->txtFolder->text(), QString::fromStdString(dir_->path()));
        QCOMPARE(dialog->updPadAfter->value(), 350);
        dialog->chkSrt->setChecked(true);
        QTest::mouseClick(dialog->cmdExport, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 30000);
        QVERIFY2(dialog->report().status.isOk(), dialog->report().status.message().c_str());
        QVERIFY(boxes_.shown.empty());
        // Two cards with their clips in media/, and the two rows as subtitles.
        const std::string notes = testsupport::readFile(dir_->file("evening.tsv"));
        QVERIFY(notes.rfind("#separator:tab\n#html:true\n", 0) == 0);
        const QStringList clips = QDir(QString::fromStdString(dir_->file("media")))
                                      .entryList({QStringLiteral("evening_*.mp3")}, QDir::Files);
        QCOMPARE(clips.size(), 2);
        for (const QString& clip : clips) {
            QVERIFY(notes.find("[sound:" + clip.toStdString() + "]") != std::string::npos);
        }
        const std::string srt = testsupport::readFile(dir_->file("evening.srt"));
        QVERIFY(srt.find("Bonjour, café !") != std::string::npos);
        QVERIFY(srt.find("Second line") != std::string::npos);
        QVERIFY(srt.find("Third") == std::string::npos);
        QVERIFY(dialog->lblProgress->text().startsWith(QStringLiteral("Done: 4 files")));

        // The next export starts from these choices, for this user.
        dialog->close();
        auto next = makeWindow();
        QVERIFY(next->openRecording(script_));
        next->mnuExport->trigger();
        QVERIFY(next->exportDialog()->chkSrt->isChecked());
        QVERIFY(next->exportDialog()->chkAnki->isChecked());
        QVERIFY(!next->exportDialog()->chkVtt->isChecked());
    }

    void exportIntoAReadOnlyFolderOrCancelledWritesNothing() {
        // A long script, so the export is still running when Cancel comes.
        std::string many;
        for (int i = 0; i < 200; ++i) {
            many += std::to_string(i * 5) + "\t" + std::to_string(i * 5 + 4) + "\tROW\r\n";
        }
        testsupport::writeFile(script_, many);
        auto w = openWindow();
        w->mnuExport->trigger();
        frmExport* dialog = w->exportDialog();
        dialog->optAll->setChecked(true);
        dialog->chkClips->setChecked(true);
        const std::string out = dir_->file("out");
        QVERIFY(QDir().mkpath(QString::fromStdString(out)));
        dialog->txtFolder->setText(QString::fromStdString(out));
        {
            testsupport::ReadOnlyFolder locked(out);
            QTest::mouseClick(dialog->cmdExport, Qt::LeftButton);
            QVERIFY(!dialog->running());
            QCOMPARE(boxes_.shown.size(), std::size_t{1});
            QVERIFY2(boxes_.shown[0].text.find(out) != std::string::npos,
                     boxes_.shown[0].text.c_str());
            QVERIFY(boxes_.shown[0].text.find("Nothing was written.") != std::string::npos);
        }
        QVERIFY(QDir(QString::fromStdString(out)).isEmpty());

        QTest::mouseClick(dialog->cmdExport, Qt::LeftButton);
        QVERIFY(dialog->running());
        QCOMPARE(dialog->cmdCancel->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 30000);
        QVERIFY(dialog->report().cancelled);
        QVERIFY(dialog->isVisible());  // Cancel stopped the export, not the dialog
        QVERIFY(QDir(QString::fromStdString(out)).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QCOMPARE(boxes_.shown.size(), std::size_t{1});
    }

    void playbackChoicesAreRememberedForTheUser() {
        {
            auto w = makeWindow();
            w->updPadBefore->setValue(120);
            w->updPadAfter->setValue(500);
            QTest::keyClick(w.get(), Qt::Key_L, Qt::AltModifier);  // the Loop box's mnemonic
            QTRY_VERIFY(w->chkLoop->isChecked());
        }
        auto again = makeWindow();
        QCOMPARE(again->updPadBefore->value(), 120);
        QCOMPARE(again->updPadAfter->value(), 500);
        QVERIFY(again->chkLoop->isChecked());
        QVERIFY(!again->chkNext->isChecked());
    }
};

QTEST_MAIN(ReviewWindowTest)
#include "ReviewWindowTest.moc"
