// A station's captions played by the simulated card reach the script through
// the main window's hook exactly as the script maker turns its SCC file into
// a script.
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "platform/scc/Scc.h"
#include "platform/tv/SimulatedCard.h"
#include "tools/scriptmaker/ScriptMaker.h"

namespace {

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A station folder "3" holding a caption file and a second of silence.
void makeStation(const QString& root, const std::string& scc) {
    const QString folder = root + QStringLiteral("/3");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(QString::fromStdString(scc), folder + QStringLiteral("/captions.scc")));
    QFile title(folder + QStringLiteral("/title.txt"));
    QVERIFY(title.open(QIODevice::WriteOnly));
    title.write("Roll-up\n");
    // A canonical PCM WAV header, 16000 Hz mono 16-bit, then silence.
    const quint32 samples = 16000;
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    wav.append(QByteArray(static_cast<int>(samples * 2), '\0'));
    QFile sound(folder + QStringLiteral("/sound.wav"));
    QVERIFY(sound.open(QIODevice::WriteOnly));
    QCOMPARE(sound.write(wav), qint64(wav.size()));
}

}  // namespace

class CaptionPathTest : public QObject {
    Q_OBJECT

    // Plays channel 3 of the stations under broadcasts through the window,
    // from the first frame to the last word, into a script, and the same
    // captions through the script maker; both scripts come back.
    void playThroughTheWindow(const std::string& broadcasts, bool allModes, std::string& fromCard,
                              std::string& made) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        platform::ManualClock clock(0.0);
        platform::setProgramClock(&clock);  // before the decoder is made, which keeps it
        StartUp(dir.filePath(QStringLiteral("cuelark")).toStdString());

        auto owned = std::make_unique<platform::tv::SimulatedCard>();
        platform::tv::SimulatedCard& card = *owned;
        card.setBroadcastsRoot(broadcasts);
        card.setSoundEnabled(false);
        platform::tv::setCurrentCard(std::move(owned));

        auto window = std::make_unique<frmMain>();
        const platform::Status loaded = window->Form_Load();
        QVERIFY2(loaded.isOk(), loaded.message().c_str());
        QCOMPARE(card.tunedChannel(), 3);
        if (allModes) {
            window->mnuAllCaptionModes->trigger();  // counts from the next script
        }

        platform::Result<platform::scc::CaptionTrack> track =
            platform::scc::readSccFile(broadcasts + "/3/captions.scc");
        QVERIFY2(track.isOk(), track.isOk() ? "" : track.message().c_str());
        QVERIFY(!track.value().words.empty());

        platform::FileTable& files = platform::FileTable::instance();
        const QString played = dir.filePath(QStringLiteral("played.txt"));
        const int fno = files.freeFile();
        QVERIFY(files.openForOutput(fno, played.toStdString()).isOk());
        g_ccFactory->init(fno);
        const int64_t last = track.value().words.back().frame;
        for (int64_t frame = 0; frame <= last; ++frame) {
            clock.set(platform::scc::frameTime(frame));
            card.pump();
        }
        g_ccFactory->init(0);
        QVERIFY(files.close(fno).isOk());

        const QString madePath = dir.filePath(QStringLiteral("made.txt"));
        tools::ScriptOptions options;
        options.allCaptionModes = allModes;
        platform::Result<tools::ScriptSummary> summary =
            tools::makeScript(track.value(), madePath.toStdString(), options);
        QVERIFY2(summary.isOk(), summary.isOk() ? "" : summary.message().c_str());
        QVERIFY(summary.value().rows > 0);

        fromCard = readFile(played);
        made = readFile(madePath);

        window->close();
        window.reset();
        platform::tv::setCurrentCard(nullptr);
        g_ccFactory.reset();
        platform::setProgramClock(nullptr);
    }

  private Q_SLOTS:
    void stationThreeGivesTheScriptMakersRows() {
        std::string fromCard;
        std::string made;
        playThroughTheWindow(std::string(CUELARK_SOURCE_DIR) + "/assets/broadcasts", false,
                             fromCard, made);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(fromCard, made);
    }

    void aRollUpStationGivesTheScriptMakersRowsWithAllModes() {
        QTemporaryDir stations;
        QVERIFY(stations.isValid());
        makeStation(stations.path(),
                    std::string(CUELARK_SOURCE_DIR) + "/tests/tools/golden/rollup_weather.scc");
        if (QTest::currentTestFailed()) {
            return;
        }
        std::string fromCard;
        std::string made;
        playThroughTheWindow(stations.path().toStdString(), true, fromCard, made);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(fromCard, made);
        QVERIFY(fromCard.find("\tMore at eleven.\r\n") != std::string::npos);
    }
};

QTEST_MAIN(CaptionPathTest)
#include "CaptionPathTest.moc"
