// The fake tuner's server over real sockets on the loopback address, fetched
// with Qt Network as the card fetches: every document, streams that end on
// time and are never sent faster than the broadcast goes, and the busy and
// unknown-channel errors with their codes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "FakeTuner.h"
#include "TunerStream.h"

namespace {

using namespace faketuner;

struct Fetched {
    int status = 0;
    QByteArray body;
    QByteArray tunerError;
    // Bytes received by each moment, seconds after the request.
    std::vector<std::pair<double, qint64>> arrivals;
};

class FakeTunerNetworkTest : public ::testing::Test {
  protected:
    FakeTunerNetworkTest()
        : tuner_({{"3", "Three", tunertest::shortStream(), false, false}}, TunerSettings{},
                 clock_) {
        net_.setProxy(QNetworkProxy::NoProxy);  // whatever the machine's settings
    }

    void SetUp() override {
        const platform::Status s = tuner_.listen("127.0.0.1", 0);
        ASSERT_TRUE(s.isOk()) << s.message();
    }

    QNetworkReply* start(const QString& path, bool post = false) {
        QNetworkRequest request(QUrl(QString::fromStdString(tuner_.baseUrl()) + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        return post ? net_.post(request, QByteArray()) : net_.get(request);
    }

    // Waits for replies to finish, with a limit so a fault cannot hang the
    // test. Arrival times count from `since`.
    std::vector<Fetched> finish(const std::vector<QNetworkReply*>& replies) {
        std::vector<Fetched> out(replies.size());
        QElapsedTimer& since = since_;
        QEventLoop loop;
        int open = static_cast<int>(replies.size());
        for (std::size_t i = 0; i < replies.size(); ++i) {
            QNetworkReply* r = replies[i];
            Fetched* f = &out[i];
            QObject::connect(r, &QNetworkReply::readyRead, &loop, [r, f, &since] {
                f->body += r->readAll();
                f->arrivals.emplace_back(since.nsecsElapsed() / 1e9, f->body.size());
            });
            QObject::connect(r, &QNetworkReply::finished, &loop, [r, f, &open, &loop] {
                f->body += r->readAll();
                f->status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                f->tunerError = r->rawHeader("X-HDHomeRun-Error");
                r->deleteLater();
                if (--open == 0) {
                    loop.quit();
                }
            });
        }
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        return out;
    }

    Fetched fetch(QNetworkReply* r) { return finish({r})[0]; }

    // Runs the event loop until the tuner has this many streams, or 10 s.
    void waitForStreams(int n) {
        QElapsedTimer limit;
        limit.start();
        while (tuner_.core().tunersInUse() < n && limit.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
    }

    platform::SteadyClock clock_;
    FakeTuner tuner_;
    QNetworkAccessManager net_;
    QElapsedTimer since_;
};

TEST_F(FakeTunerNetworkTest, ListensOnTheLoopbackAddressOnly) {
    FakeTuner other({}, TunerSettings{}, clock_);
    const platform::Status s = other.listen(QHostAddress(QHostAddress::Any).toString(), 0);
    EXPECT_FALSE(s.isOk());
    EXPECT_NE(s.message().find("loopback"), std::string::npos) << s.message();
}

TEST_F(FakeTunerNetworkTest, ServesItsDocuments) {
    since_.start();
    const Fetched discover = fetch(start("/discover.json"));
    ASSERT_EQ(discover.status, 200) << discover.body.toStdString();
    const QJsonObject d = QJsonDocument::fromJson(discover.body).object();
    EXPECT_EQ(d["BaseURL"].toString().toStdString(), tuner_.baseUrl());
    EXPECT_EQ(d["TunerCount"].toInt(), 2);

    const Fetched lineup = fetch(start("/lineup.json"));
    ASSERT_EQ(lineup.status, 200);
    const QJsonArray l = QJsonDocument::fromJson(lineup.body).array();
    ASSERT_EQ(l.size(), 1);
    EXPECT_EQ(l[0].toObject()["URL"].toString().toStdString(), tuner_.baseUrl() + "/auto/v3");

    EXPECT_EQ(fetch(start("/lineup.post?scan=start", true)).status, 200);
    const Fetched status = fetch(start("/lineup_status.json"));
    ASSERT_EQ(status.status, 200);
    EXPECT_EQ(QJsonDocument::fromJson(status.body).object()["ScanInProgress"].toInt(), 1);

    const Fetched missing = fetch(start("/auto/v4"));
    EXPECT_EQ(missing.status, 404);
}

TEST_F(FakeTunerNetworkTest, StreamsArePacedEndOnTimeAndATwoTunerDeviceRefusesAThird) {
    tuner_.core().faults().fromStart = true;  // so the bytes due by each moment are known
    since_.start();
    QNetworkReply* first = start("/auto/v3?duration=1.5");
    QNetworkReply* second = start("/auto/v3?duration=1.5");
    waitForStreams(2);
    const std::vector<Fetched> got = finish({first, second, start("/auto/v3?duration=1")});
    EXPECT_EQ(got[2].status, 503);
    EXPECT_EQ(got[2].tunerError, "805");

    const TsFile& ts = *tunertest::shortStream();
    const auto due = [&ts](double seconds) {
        const auto n = std::upper_bound(ts.sendTimes.begin(), ts.sendTimes.end(), seconds) -
                       ts.sendTimes.begin();
        return static_cast<qint64>(n) * static_cast<qint64>(kPacketSize);
    };
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(got[i].status, 200) << got[i].body.toStdString();
        // Never ahead of the broadcast by more than a busy machine's delays.
        for (const auto& [at, bytes] : got[i].arrivals) {
            EXPECT_LE(bytes, due(at + 0.3)) << "at " << at << " s";
        }
        // The whole 1.5 s, then the end.
        EXPECT_GE(got[i].body.size(), due(1.4));
        EXPECT_LE(got[i].body.size(), due(1.6));
    }
    // Both tuners are free again.
    EXPECT_EQ(tuner_.core().tunersInUse(), 0);
    EXPECT_EQ(fetch(start("/auto/v3?duration=0.1")).status, 200);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
