// A recording of station 3 through the real window, the card's line-out
// sound and its caption messages, on a clock the test drives frame by frame:
// the sound file must hold the station's own sound from the moment of the
// Record press, and the script the rows the script maker gives for the same
// span of the caption file. The same checks run on either card (the
// environment's CUELARK_TEST_CARD): the simulated card playing the station
// folder, or the network card watching the station made into a transport
// stream (CUELARK_TEST_STREAM) and served by the fake tuner on 127.0.0.1, whose
// own clock runs a little ahead of the program's, as a tuner's broadcast is
// ahead of what its viewers see.
#include <samplerate.h>
#include <sndfile.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FakeTuner.h"
#include "app/frmMain.h"
#include "app/modMain.h"
#include "platform/core/Clock.h"
#include "platform/core/ProfileFile.h"
#include "platform/scc/Scc.h"
#include "platform/shell/MessageBox.h"
#include "platform/sound/SoundSetup.h"
#include "platform/tv/SimulatedCard.h"
#include "platform/tv/net/BlockingCallGate.h"
#include "platform/tv/net/NetworkCard.h"
#include "platform/tv/stream/CardSource.h"
#include "tests/support/FakeMessageBoxes.h"
#include "tools/scriptmaker/ScriptMaker.h"

namespace {

constexpr double kRecordAt = 7.3;  // the first caption of the programme is on display
constexpr double kDuration = 20.0;
constexpr double kTick = 0.5;
constexpr int kFramesPerSoundPump = 3;
constexpr int kWavRate = 22050;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Sound {
    std::vector<float> mono;
    int rate = 0;
    int format = 0;
    int channels = 0;
    std::string error;
};

// The whole file as float samples, its channels averaged.
Sound readSound(const std::string& path) {
    Sound sound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        sound.error = "cannot read '" + path + "': " + sf_strerror(nullptr);
        return sound;
    }
    sound.rate = info.samplerate;
    sound.format = info.format;
    sound.channels = info.channels;
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels), 0.0f);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    sound.mono.assign(static_cast<std::size_t>(std::max<sf_count_t>(got, 0)), 0.0f);
    for (std::size_t i = 0; i < sound.mono.size(); ++i) {
        float sum = 0.0f;
        for (int c = 0; c < info.channels; ++c) {
            sum += interleaved[i * static_cast<std::size_t>(info.channels) +
                               static_cast<std::size_t>(c)];
        }
        sound.mono[i] = sum / static_cast<float>(info.channels);
    }
    return sound;
}

// Samples at toRate converted from in (at fromRate) with a sinc converter of
// the kind the card's own sound goes through.
std::vector<float> convertRate(const std::vector<float>& in, int fromRate, int toRate) {
    const double ratio = static_cast<double>(toRate) / fromRate;
    std::vector<float> out(static_cast<std::size_t>(std::ceil(in.size() * ratio)) + 16, 0.0f);
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) != 0) {
        return {};
    }
    out.resize(static_cast<std::size_t>(data.output_frames_gen));
    return out;
}

// Normalised correlation of x against y from index lag of y on.
double correlationAt(const std::vector<float>& x, const std::vector<float>& y, std::size_t lag) {
    const std::size_t n = std::min(x.size(), y.size() - lag);
    double xy = 0.0;
    double xx = 0.0;
    double yy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        xy += static_cast<double>(x[i]) * y[lag + i];
        xx += static_cast<double>(x[i]) * x[i];
        yy += static_cast<double>(y[lag + i]) * y[lag + i];
    }
    return xy / std::sqrt(xx * yy);
}

struct Match {
    std::size_t lag = 0;
    double correlation = -1.0;
};

Match bestMatch(const std::vector<float>& x, const std::vector<float>& y, std::size_t first,
                std::size_t last) {
    Match best;
    for (std::size_t lag = first; lag <= last; ++lag) {
        const double c = correlationAt(x, y, lag);
        if (c > best.correlation) {
            best = {lag, c};
        }
    }
    return best;
}

std::vector<float> blockMeans(const std::vector<float>& x, std::size_t block) {
    std::vector<float> out(x.size() / block, 0.0f);
    for (std::size_t k = 0; k < out.size(); ++k) {
        float sum = 0.0f;
        for (std::size_t i = 0; i < block; ++i) {
            sum += x[k * block + i];
        }
        out[k] = sum / static_cast<float>(block);
    }
    return out;
}

// Where in y the recording x lies, searched from lag first to last: over
// block means first (a full search at the full rate would take billions of
// products), then sample by sample around the best block.
Match findRecording(const std::vector<float>& x, const std::vector<float>& y, std::size_t first,
                    std::size_t last) {
    constexpr std::size_t kBlock = 8;
    const Match coarse =
        bestMatch(blockMeans(x, kBlock), blockMeans(y, kBlock), first / kBlock, last / kBlock);
    const std::size_t centre = coarse.lag * kBlock;
    const std::size_t around = 3 * kBlock;
    return bestMatch(x, y, std::max(first, centre > around ? centre - around : 0),
                     std::min(last, centre + around));
}

struct Row {
    int start = 0;
    int end = 0;
};

// The card under test, seen from the recording: where its programme starts
// on the program clock, and making everything due by a moment happen.
class CardUnderTest {
  public:
    virtual ~CardUnderTest() = default;
    // Makes the card the program's, before the window loads.
    virtual void install(platform::ManualClock& clock) = 0;
    // After the window's load: ready to play, with the programme's start known.
    virtual bool ready(std::string& why) = 0;
    virtual double programmeStart() const = 0;
    // Sets the clock to t, after the card has everything due by then.
    virtual void advanceTo(double t) = 0;
    virtual platform::tv::AudioFeed* feed() = 0;
    virtual int tunedChannel() const = 0;
};

class SimulatedUnderTest final : public CardUnderTest {
  public:
    explicit SimulatedUnderTest(std::string broadcasts) : broadcasts_(std::move(broadcasts)) {}
    void install(platform::ManualClock& clock) override {
        clock_ = &clock;
        auto owned = std::make_unique<platform::tv::SimulatedCard>();
        card_ = owned.get();
        card_->setBroadcastsRoot(broadcasts_);
        card_->setSoundEnabled(false);  // no speaker; the line-out feed still plays
        platform::tv::setCurrentCard(std::move(owned));
    }
    bool ready(std::string&) override { return true; }
    double programmeStart() const override { return card_->programmeStart(); }
    void advanceTo(double t) override {
        clock_->set(t);
        card_->pump();
    }
    platform::tv::AudioFeed* feed() override { return card_->audioFeed(); }
    int tunedChannel() const override { return card_->tunedChannel(); }

  private:
    std::string broadcasts_;
    platform::ManualClock* clock_ = nullptr;
    platform::tv::SimulatedCard* card_ = nullptr;
};

class NetworkUnderTest final : public CardUnderTest {
  public:
    NetworkUnderTest(std::string stream, std::string settings)
        : stream_(std::move(stream)), settings_(std::move(settings)) {}
    void install(platform::ManualClock& clock) override {
        clock_ = &clock;
        platform::Result<faketuner::TsFile> ts = faketuner::readTsFile(stream_);
        if (!ts) {
            qFatal("%s", ts.message().c_str());
        }
        faketuner::Channel channel;
        channel.guideNumber = "3";
        channel.guideName = "The Evening News";
        channel.ts = std::make_shared<const faketuner::TsFile>(std::move(ts.value()));
        tuner_ = std::make_unique<faketuner::FakeTuner>(std::vector<faketuner::Channel>{channel},
                                                        faketuner::TunerSettings{}, tunerClock_);
        // The programme from its start when the card tunes in.
        faketuner::setFault(tuner_->core().faults(), "from-start", "1");
        if (const platform::Status s = tuner_->listen(QStringLiteral("127.0.0.1"), 0); !s) {
            qFatal("%s", s.message().c_str());
        }
        const std::string url = "http://127.0.0.1:" + std::to_string(tuner_->port());
        platform::WritePrivateProfileStringA("card", "SlotsOf", url, settings_);
        platform::WritePrivateProfileStringA("slots", "3", "3", settings_);
        auto owned = std::make_unique<platform::tv::net::NetworkCard>(
            platform::tv::stream::parseCardSource(url).value(), settings_);
        card_ = owned.get();
        card_->setSoundEnabled(false);
        platform::tv::setCurrentCard(std::move(owned));
        // Only the network and the card run while the test waits for them:
        // the window's own timer is the test's to fire.
        gate_ = std::make_unique<platform::tv::net::BlockingCallGate>(std::vector<QWidget*>{});
    }
    bool ready(std::string& why) override {
        // The clock goes on while the card tunes in, a few milliseconds at a
        // time, until the stream's first picture has its moment (some 0.4 s
        // ahead).
        for (int step = 0; step < 2000 && !card_->streamOrigin(); ++step) {
            clock_->advance(0.005);
            waitUntil([&] { return card_->streamOrigin().has_value(); }, 0.005);
        }
        if (!card_->streamOrigin()) {
            why = "the stream never started: " + card_->notice();
            return false;
        }
        if (*card_->streamOrigin() <= clock_->now()) {
            why = "the stream's start was noticed too late";
            return false;
        }
        return true;
    }
    double programmeStart() const override { return *card_->streamOrigin(); }
    void advanceTo(double t) override {
        // What is due by t must have been decoded: the decoder keeps a
        // second ahead of the clock once it has the stream's bytes.
        tunerClock_.set(t + kTunerLead);
        tuner_->pump();
        const bool decoded = waitUntil([&] {
            return card_->soundFeed().writtenUntil() >= t + kDecodedAhead &&
                   static_cast<double>(card_->decoder().picturesDecoded()) >=
                       (t + kDecodedAhead - programmeStart()) / platform::scc::kFrameSeconds;
        });
        if (!decoded) {
            qFatal("the network card fell behind at %.3f s: %s", t, card_->notice().c_str());
        }
        clock_->set(t);
        card_->pump();
    }
    platform::tv::AudioFeed* feed() override { return card_->audioFeed(); }
    int tunedChannel() const override { return card_->tunedChannel(); }

  private:
    // The tuner's clock is ahead of the program's by a constant: it sends the
    // broadcast as it goes, and the card plays it as it comes, the decoder a
    // little ahead of the clock.
    static constexpr double kTunerLead = 3.0;
    static constexpr double kDecodedAhead = 0.1;

    // Lets the tuner, the network and the decoder work (other threads, and
    // this one's event loop) until done or `seconds` of real time passed.
    template <class Done>
    bool waitUntil(Done done, double seconds = 20.0) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && static_cast<double>(waited.elapsed()) < seconds * 1000.0) {
            tunerClock_.set(std::max(tunerClock_.now(), clock_->now() + kTunerLead));
            tuner_->pump();
            QCoreApplication::processEvents();
            if (!done()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return done();
    }

    std::string stream_;
    std::string settings_;
    platform::ManualClock* clock_ = nullptr;
    platform::ManualClock tunerClock_{kTunerLead};
    std::unique_ptr<faketuner::FakeTuner> tuner_;
    std::unique_ptr<platform::tv::net::BlockingCallGate> gate_;
    platform::tv::net::NetworkCard* card_ = nullptr;
};

// Start and end of each row of a script.
std::vector<Row> rowTimes(const std::string& script) {
    std::vector<Row> rows;
    std::istringstream in(script);
    std::string line;
    while (std::getline(in, line)) {
        Row row;
        std::istringstream(line) >> row.start >> row.end;
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

class CardRecordingTest : public QObject {
    Q_OBJECT

  private:
    const std::string broadcasts_ = std::string(CUELARK_SOURCE_DIR) + "/assets/broadcasts";
    QTemporaryDir dir_;
    platform::ManualClock clock_{0.0};
    // Records every box the window asks for instead of blocking on it.
    testsupport::FakeMessageBoxes boxes_;
    platform::scc::CaptionTrack track_;
    std::string wavPath_;
    std::string scriptPath_;
    std::string scriptDir_;
    std::unique_ptr<CardUnderTest> card_;
    std::unique_ptr<frmMain> window_;
    double origin_ = 0.0;  // the programme's start on the program clock
    double stopAt_ = 0.0;  // in programme time

  private Q_SLOTS:
    // The recording itself, made once; the slots below examine its files.
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qunsetenv("CUELARK_WAVE_INPUT");  // the card's sound, whatever the caller's setting
        platform::Result<platform::scc::CaptionTrack> track =
            platform::scc::readSccFile(broadcasts_ + "/3/captions.scc");
        QVERIFY2(track.isOk(), track.isOk() ? "" : track.message().c_str());
        track_ = track.value();
        scriptDir_ = dir_.filePath(QStringLiteral("expected")).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(scriptDir_)));

        // When to press Check: halfway through the second row the script
        // maker finds for this span, while that caption is the current one.
        const std::string planned = scriptDir_ + "/planned.txt";
        platform::Result<tools::ScriptSummary> plan =
            tools::makeScriptSpan(track_, planned, kRecordAt, kRecordAt + kDuration);
        QVERIFY2(plan.isOk(), plan.isOk() ? "" : plan.message().c_str());
        const std::vector<Row> rows = rowTimes(readFile(planned));
        QVERIFY2(rows.size() >= 2, "the span must hold two captions for the check");
        const double checkAt = kRecordAt + (rows[1].start + rows[1].end) / 200.0;

        platform::setProgramClock(&clock_);  // before the decoder is made, which keeps it
        StartUp(dir_.filePath(QStringLiteral("cuelark")).toStdString());
        g_sSaveDir = dir_.path().toStdString();

        if (qEnvironmentVariable("CUELARK_TEST_CARD") == QLatin1String("network")) {
            card_ = std::make_unique<NetworkUnderTest>(
                qEnvironmentVariable("CUELARK_TEST_STREAM").toStdString(),
                dir_.filePath(QStringLiteral("tvcard.ini")).toStdString());
        } else {
            card_ = std::make_unique<SimulatedUnderTest>(broadcasts_);
        }
        CardUnderTest& card = *card_;
        card.install(clock_);

        window_ = std::make_unique<frmMain>(&boxes_);
        frmMain& window = *window_;
        const platform::Status loaded = window.Form_Load();
        QVERIFY2(loaded.isOk(), loaded.message().c_str());
        QCOMPARE(card.tunedChannel(), 3);
        std::string why;
        QVERIFY2(card.ready(why), why.c_str());
        origin_ = card.programmeStart();
        // Main's wiring; the test starts the window without it.
        platform::sound::setCardFeed(card.feed());

        window.txtScriptName->setText(QStringLiteral("evening news"));
        window.txtDuration->setText(QString::number(kDuration));
        wavPath_ = g_sSaveDir + "/evening news.wav";
        scriptPath_ = g_sSaveDir + "/evening news.txt";

        // Frames go out at their due times. The press, the ticks and the
        // check come between frames at their own moments, in time order,
        // each after the card has sent every frame due by then.
        enum class Next { Nothing, Record, Tick, Check };
        bool started = false;
        bool checked = false;
        int ticks = 0;
        const auto recording = [&] { return window.cmdRecord->text() == QStringLiteral("&Stop"); };
        const auto at = [&](double programmeTime) { return origin_ + programmeTime; };
        for (int64_t frame = 0; !started || recording(); ++frame) {
            const double due = platform::scc::frameTime(frame);
            QVERIFY2(due < kRecordAt + kDuration + 2.0, "the time-out never stopped the recording");
            for (;;) {
                Next next = Next::Nothing;
                double when = due;
                if (!started) {
                    next = Next::Record;
                    when = kRecordAt;
                } else if (recording()) {
                    next = Next::Tick;
                    when = kRecordAt + kTick * (ticks + 1);
                    if (!checked && checkAt < when) {
                        next = Next::Check;
                        when = checkAt;
                    }
                }
                if (next == Next::Nothing || when >= due) {
                    break;
                }
                card.advanceTo(at(when));
                if (next == Next::Record) {
                    window.cmdRecord_Click();
                    QVERIFY(recording());
                    started = true;
                } else if (next == Next::Check) {
                    window.cmdCheck_Click();
                    checked = true;
                } else {
                    ++ticks;
                    stopAt_ = when;
                    window.Timer1_Timer();
                }
            }
            card.advanceTo(at(due));
            if (frame % kFramesPerSoundPump == 0) {
                platform::sound::pumpAll();
            }
        }
        QVERIFY(checked);
        QCOMPARE(window.lblChecks->text(), QStringLiteral("1"));
        QVERIFY2(boxes_.shown.empty(),
                 boxes_.shown.empty() ? "" : boxes_.shown.front().text.c_str());
        qInfo("recorded from %.3f s to %.3f s, check at %.3f s", kRecordAt, stopAt_, checkAt);
    }

    void cleanupTestCase() {
        if (window_) {
            window_->close();
            window_.reset();
        }
        platform::sound::setCardFeed(nullptr);
        card_.reset();
        platform::tv::setCurrentCard(nullptr);
        g_ccFactory.reset();
        platform::setProgramClock(nullptr);
    }

    void theTimeOutStopsAtTheFirstTickAfterTheDuration() {
        QVERIFY(stopAt_ >= kRecordAt + kDuration);
        QVERIFY(stopAt_ < kRecordAt + kDuration + kTick);
    }

    void theSoundIsTheStationsOwnFromThePress() {
        const Sound wav = readSound(wavPath_);
        QVERIFY2(wav.error.empty(), wav.error.c_str());
        QCOMPARE(wav.rate, kWavRate);
        QCOMPARE(wav.channels, 1);
        QCOMPARE(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        const double seconds = static_cast<double>(wav.mono.size()) / kWavRate;
        QVERIFY2(std::abs(seconds - kDuration) <= kTick, QByteArray::number(seconds));

        // The station's sound from a second before the press to well past
        // the stop, at the recording's rate.
        const Sound station = readSound(broadcasts_ + "/3/sound.flac");
        QVERIFY2(station.error.empty(), station.error.c_str());
        const auto from = static_cast<std::size_t>(std::floor((kRecordAt - 1.0) * station.rate));
        const auto to =
            std::min(station.mono.size(),
                     static_cast<std::size_t>((kRecordAt + kDuration + 2.0) * station.rate));
        QVERIFY(from < to);
        const std::vector<float> reference =
            convertRate(std::vector<float>(station.mono.begin() + static_cast<std::ptrdiff_t>(from),
                                           station.mono.begin() + static_cast<std::ptrdiff_t>(to)),
                        station.rate, kWavRate);
        const double referenceStart = static_cast<double>(from) / station.rate;

        // Lags of half a second either side of the press.
        const double pressLag = (kRecordAt - referenceStart) * kWavRate;
        const auto first = static_cast<std::size_t>(pressLag - kTick * kWavRate);
        const auto last = static_cast<std::size_t>(pressLag + kTick * kWavRate);
        QVERIFY(last + wav.mono.size() <= reference.size());
        const Match match = findRecording(wav.mono, reference, first, last);
        const double offset = referenceStart + static_cast<double>(match.lag) / kWavRate;
        qInfo("%zu samples; sound found at %.4f s (press at %.4f s, %+.2f ms), correlation %.6f",
              wav.mono.size(), offset, kRecordAt, (offset - kRecordAt) * 1000.0, match.correlation);
        QVERIFY2(std::abs(offset - kRecordAt) <= 0.002, QByteArray::number(offset, 'f', 4));
        QVERIFY2(match.correlation > 0.95, QByteArray::number(match.correlation, 'f', 4));
    }

    void theScriptHasTheScriptMakersRowsAndTheCheckMarksTheRowBefore() {
        const std::string expectedPath = scriptDir_ + "/made.txt";
        platform::Result<tools::ScriptSummary> made =
            tools::makeScriptSpan(track_, expectedPath, kRecordAt, stopAt_);
        QVERIFY2(made.isOk(), made.isOk() ? "" : made.message().c_str());
        QVERIFY(made.value().rows >= 2);

        // The check while the second caption was current marks the first row.
        std::string expected = readFile(expectedPath);
        const std::size_t rowEnd = expected.find("\r\n");
        QVERIFY(rowEnd != std::string::npos);
        expected.insert(rowEnd, "\t1");
        QCOMPARE(readFile(scriptPath_), expected);
    }
};

QTEST_MAIN(CardRecordingTest)
#include "CardRecordingTest.moc"
