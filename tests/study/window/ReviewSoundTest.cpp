// The Review window on a real sound server (started for the test by
// with_pulse.sh): Space plays the row with its padding on the default output
// until the device has played it all, rows step on by themselves with the
// list following what the device has played, and everything the device took
// is the WAV's sound.
#include <sndfile.h>

#include <QTableView>
#include <QtTest>
#include <memory>
#include <vector>

#include "study/window/frmReview.h"
#include "tests/study/StudyTestKit.h"
#include "tests/support/FakeMessageBoxes.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

// Passes the source on to the real output and keeps what the device pulled.
class Inspected final : public platform::playback::PcmSource {
  public:
    platform::playback::PcmSource* source = nullptr;
    std::vector<float> pulled;
    std::size_t pull(float* out, std::size_t frames) override {
        const std::size_t got = source->pull(out, frames);
        pulled.insert(pulled.end(), out, out + got * kChannels);
        return got;
    }
};

class InspectedOutput final : public platform::playback::AudioOut {
  public:
    explicit InspectedOutput(Inspected& tap)
        : real_(platform::playback::makeDefaultAudioOut()), tap_(tap) {
        real_->setFinishedHandler([this] { finished(); });
    }
    platform::Status prepare(const platform::playback::PcmFormat& f) override {
        return real_->prepare(f);
    }
    void play(platform::playback::PcmSource& source) override {
        tap_.source = &source;
        tap_.pulled.clear();
        real_->play(tap_);
    }
    void stop() override { real_->stop(); }
    bool playing() const override { return real_->playing(); }
    double secondsPlayed() const override { return real_->secondsPlayed(); }

  private:
    std::unique_ptr<platform::playback::AudioOut> real_;
    Inspected& tap_;
};

std::vector<float> wavFrames(const std::string& path, int64_t first, int64_t count) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> out(static_cast<std::size_t>(count * info.channels));
    sf_seek(f, first, SEEK_SET);
    out.resize(static_cast<std::size_t>(sf_readf_float(f, out.data(), count) * info.channels));
    sf_close(f);
    return out;
}

}  // namespace

class ReviewSoundTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void playsRowsOnTheDefaultOutputToTheirEnd() {
        testsupport::TempDir dir;
        testsupport::FakeMessageBoxes boxes;
        const std::string script = dir.file("news.txt");
        const std::string wav = dir.file("news.wav");
        testsupport::writeFile(script, "50\t90\tONE\r\n90\t140\tTWO\r\n");
        QVERIFY(studytest::writeWav(wav, kRate, kChannels, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                                    studytest::chirp(kRate, kChannels, 3 * kRate)));
        Inspected tap;
        frmReview::Services s;
        s.boxes = &boxes;
        s.makeOutput = [&tap] { return std::make_unique<InspectedOutput>(tap); };
        s.settingsPath = dir.file("study.ini");
        frmReview w(std::move(s));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(w.openRecording(script));
        QCoreApplication::processEvents();
        QVERIFY2(w.playbackOffReason().empty(), w.playbackOffReason().c_str());

        QTest::keyClick(w.lstRows, Qt::Key_N);  // step on when a row ends
        QTest::keyClick(w.lstRows, Qt::Key_Space);
        QVERIFY(w.playing());
        // The list follows what the device has played, not what it has taken.
        QTRY_COMPARE_WITH_TIMEOUT(w.currentRow(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!w.playing(), 10000);

        const int64_t first0 = 450 * kRate / 1000;
        const int64_t span0 = 1250 * kRate / 1000 - first0;
        const int64_t first1 = 850 * kRate / 1000;
        const int64_t span1 = 1750 * kRate / 1000 - first1;
        std::vector<float> expected = wavFrames(wav, first0, span0);
        const std::vector<float> second = wavFrames(wav, first1, span1);
        expected.insert(expected.end(), second.begin(), second.end());
        QCOMPARE(tap.pulled.size(), expected.size());
        QVERIFY(tap.pulled == expected);

        // Played and stopped again and again, the sound starts every time.
        for (int press = 0; press < 12; ++press) {
            w.setCurrentRow(press % 2);
            QTest::keyClick(w.lstRows, Qt::Key_Space);
            QVERIFY(w.playing());
            QTRY_VERIFY_WITH_TIMEOUT(!tap.pulled.empty(), 5000);
            QTest::keyClick(w.lstRows, Qt::Key_Space);
            QVERIFY(!w.playing());
        }
    }
};

QTEST_MAIN(ReviewSoundTest)
#include "ReviewSoundTest.moc"
