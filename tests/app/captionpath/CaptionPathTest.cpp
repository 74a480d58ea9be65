// A station's captions played by the simulated card reach the script through
// the main window's hook exactly as the script maker turns its SCC file into
// a script.
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

}  // namespace

class CaptionPathTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void stationThreeGivesTheScriptMakersRows() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        platform::ManualClock clock(0.0);
        platform::setProgramClock(&clock);  // before the decoder is made, which keeps it
        StartUp(dir.filePath(QStringLiteral("cuelark")).toStdString());

        const std::string broadcasts = std::string(CUELARK_SOURCE_DIR) + "/assets/broadcasts";
        auto owned = std::make_unique<platform::tv::SimulatedCard>();
        platform::tv::SimulatedCard& card = *owned;
        card.setBroadcastsRoot(broadcasts);
        card.setSoundEnabled(false);
        platform::tv::setCurrentCard(std::move(owned));

        auto window = std::make_unique<frmMain>();
        const platform::Status loaded = window->Form_Load();
        QVERIFY2(loaded.isOk(), loaded.message().c_str());
        QCOMPARE(card.tunedChannel(), 3);

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

        const QString made = dir.filePath(QStringLiteral("made.txt"));
        platform::Result<tools::ScriptSummary> summary =
            tools::makeScript(track.value(), made.toStdString());
        QVERIFY2(summary.isOk(), summary.isOk() ? "" : summary.message().c_str());
        QVERIFY(summary.value().rows > 0);

        const std::string fromCard = readFile(played);
        QCOMPARE(fromCard, readFile(made));

        window->close();
        window.reset();
        platform::tv::setCurrentCard(nullptr);
        g_ccFactory.reset();
        platform::setProgramClock(nullptr);
    }
};

QTEST_MAIN(CaptionPathTest)
#include "CaptionPathTest.moc"
