// The system capture device against a real PulseAudio server (started by
// with_pulse.sh around this program): a tone played into the null sink is
// found in the recording at its frequency, and a server killed in the middle
// of a recording leaves the sound up to then saved and the loss reported.
#include <signal.h>

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/sound/Mci.h"
#include "platform/sound/QtSound.h"
#include "platform/sound/SoundSetup.h"
#include "tests/platform/sound/SoundTestKit.h"
#include "tests/platform/sound/Tone.h"

namespace ps = platform::sound;

class SystemInputTest : public QObject {
    Q_OBJECT

  private:
    soundtest::ScratchDir dir_;
    std::string tone_;

    static uint32_t send(const std::string& c, std::string* reply = nullptr) {
        char buf[128] = {};
        const uint32_t rc = ps::mciSendStringA(c.c_str(), buf, sizeof buf, 0);
        if (reply) {
            *reply = buf;
        }
        return rc;
    }

    // Plays the tone into the null sink "tv" in the background.
    void play(QProcess& p) {
        p.start("paplay", {"--device=tv", QString::fromStdString(tone_)});
        QVERIFY2(p.waitForStarted(5000), "paplay does not start");
    }

    static double toneToNoise(const soundtest::Decoded& d, double from, double to) {
        const int rate = d.info.samplerate;
        const auto a = static_cast<std::size_t>(from * rate);
        const auto n = static_cast<std::size_t>((to - from) * rate);
        const float* x = d.samples.data() + a;
        const double tone = soundtest::goertzel(x, n, 1000, rate);
        const double off =
            soundtest::goertzel(x, n, 700, rate) + soundtest::goertzel(x, n, 1450, rate);
        return tone / (off + 1e-12);
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(std::getenv("CUELARK_TEST_PULSE_PID"), "run through with_pulse.sh");
        QVERIFY2(!QMediaDevices::defaultAudioInput().isNull(),
                 "no capture device: is the server up?");
        setenv("CUELARK_WAVE_INPUT", "system", 1);
        ps::setCardFeed(nullptr);
        ps::installQtSound();
        tone_ = dir_ / "tone.wav";
        QVERIFY(soundtest::writeTone(tone_, 1000.0, 8.0, 44100, 2, 0.5f));
    }

    void recordsTheToneAtItsFrequencyAndKeepsTime() {
        QCOMPARE(send("open new type waveaudio alias w"), 0u);
        QCOMPARE(send("set w samplespersec 22050 channels 1 bitspersample 16 alignment 2 "
                      "bytespersec 44100"),
                 0u);
        const double began = platform::programClock().now();
        QCOMPARE(send("record w overwrite"), 0u);
        QProcess player;
        play(player);
        QTest::qWait(3000);
        const std::string wav = dir_ / "heard.wav";
        std::string reply;
        QCOMPARE(send("save w " + wav, &reply), 0u);
        const double ended = platform::programClock().now();
        QCOMPARE(send("close w "), 0u);
        player.kill();
        player.waitForFinished();

        const auto d = soundtest::decode(wav);
        QVERIFY(d.ok);
        QCOMPARE(d.info.samplerate, 22050);
        QCOMPARE(d.info.channels, 1);
        // Padded to the moment record was accepted: the length is the time
        // between record and save, less what the device still held back.
        const double seconds = static_cast<double>(d.info.frames) / 22050;
        QVERIFY2(seconds > ended - began - 0.25 && seconds < ended - began + 0.05,
                 qPrintable(QString("recorded %1 s of %2 s").arg(seconds).arg(ended - began)));
        const double ratio = toneToNoise(d, 1.5, seconds - 0.1);
        qInfo("recorded %.3f s over %.3f s; 1 kHz to off-tone power %.0f", seconds, ended - began,
              ratio);
        // A busy machine leaves short gaps that spread a little power over
        // every frequency; a wrong rate or channel count moves the tone off
        // 1 kHz altogether, far below this.
        QVERIFY2(ratio > 100, qPrintable(QString("1 kHz stands out only %1 times").arg(ratio)));
        QVERIFY(ps::lostInputMessage().empty());
    }

    // Must run last: the server is gone afterwards.
    void killedServerKeepsTheSoundAndReportsTheLoss() {
        QCOMPARE(send("open new type waveaudio alias w"), 0u);
        QCOMPARE(send("set w samplespersec 44100 channels 2 bitspersample 16"), 0u);
        QCOMPARE(send("record w overwrite"), 0u);
        QProcess player;
        play(player);
        QTest::qWait(2000);
        const pid_t server = static_cast<pid_t>(std::atol(std::getenv("CUELARK_TEST_PULSE_PID")));
        QCOMPARE(::kill(server, SIGKILL), 0);
        QTest::qWait(1500);
        const std::string wav = dir_ / "cut.wav";
        std::string reply;
        QCOMPARE(send("save w " + wav, &reply), 0u);
        QVERIFY2(reply.rfind("input lost: ", 0) == 0, reply.c_str());
        QCOMPARE(send("close w "), 0u);
        QVERIFY2(ps::lostInputMessage().rfind("input lost: ", 0) == 0,
                 ps::lostInputMessage().c_str());
        player.waitForFinished();

        const auto d = soundtest::decode(wav);
        QVERIFY(d.ok);
        const double seconds = static_cast<double>(d.info.frames) / 44100;
        qInfo("kept %.3f s; %s", seconds, reply.c_str());
        QVERIFY2(seconds > 1.5 && seconds < 3.0, qPrintable(QString("kept %1 s").arg(seconds)));
        std::vector<float> left(static_cast<std::size_t>(d.info.frames));
        for (std::size_t i = 0; i < left.size(); ++i) {
            left[i] = d.samples[2 * i];
        }
        soundtest::Decoded mono = d;
        mono.samples = left;
        QVERIFY(toneToNoise(mono, 0.8, 1.5) > 100);
    }
};

QTEST_MAIN(SystemInputTest)
#include "SystemInputTest.moc"
