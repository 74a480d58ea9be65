// The Source dialog: what each choice is stored as, what it says when a
// choice is incomplete, and Find, which asks the typed address for its
// discover.json and sends the discovery request (here to a responder on a
// loopback port, never the network's broadcast address).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QRadioButton>
#include <QUdpSocket>
#include <functional>

#include "TestTuner.h"
#include "platform/tv/net/SourceDialog.h"
#include "platform/tv/net/TunerFinder.h"

using namespace platform::tv::net;

namespace {

bool waitFor(const std::function<bool()>& done, double seconds = 10.0) {
    QElapsedTimer t;
    t.start();
    while (!done() && static_cast<double>(t.elapsed()) < seconds * 1000.0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return done();
}

std::string chosen(const SourceDialog& d) {
    const platform::Result<std::string> r = d.chosenSource();
    return r ? r.value() : "error: " + r.message();
}

TEST(SourceDialog, EachChoiceIsStoredAsTheCardReadsItAndAnEmptyOneIsExplained) {
    SourceDialog d;
    EXPECT_TRUE(d.optSimulated->isChecked());
    EXPECT_EQ(chosen(d), "");

    d.optTuner->setChecked(true);
    EXPECT_EQ(chosen(d), "error: Type the tuner's address, or press Find");
    d.txtTuner->setText(QStringLiteral(" 127.0.0.1:5004 "));
    EXPECT_EQ(chosen(d), "http://127.0.0.1:5004");

    d.optPlaylist->setChecked(true);
    EXPECT_EQ(chosen(d), "error: Choose the playlist's file, or type its URL");
    d.txtPlaylist->setText(QStringLiteral("/srv/tv/channels.m3u"));
    EXPECT_EQ(chosen(d), "m3u:/srv/tv/channels.m3u");

    d.optFolder->setChecked(true);
    d.txtFolder->setText(QStringLiteral("/srv/recordings"));
    EXPECT_EQ(chosen(d), "dir:/srv/recordings");

    SourceDialog again;
    again.setSource("m3u:http://127.0.0.1:8080/tv.m3u");
    EXPECT_TRUE(again.optPlaylist->isChecked());
    EXPECT_EQ(chosen(again), "m3u:http://127.0.0.1:8080/tv.m3u");
}

TEST(SourceDialog, FindListsTheTypedTunerAndThoseThatAnswerTheDiscoveryRequest) {
    const platform::SteadyClock clock;
    nettest::TestTuner tuner(clock);

    // A tuner answering on the discovery port, here on loopback.
    QUdpSocket responder;
    ASSERT_TRUE(responder.bind(QHostAddress::LocalHost, 0));
    QByteArray asked;
    QObject::connect(&responder, &QUdpSocket::readyRead, [&] {
        const QNetworkDatagram request = responder.receiveDatagram();
        asked = request.data();
        static const char kReply[] =
            "\x00\x03\x00\x26\x01\x04\x00\x00\x00\x01\x02\x04\x10\x50\xAB\xCD\x10\x01\x02\x2A"
            "\x15\x68\x74\x74\x70\x3A\x2F\x2F\x31\x32\x37\x2E\x30\x2E\x30\x2E\x31\x3A\x35\x30"
            "\x30\x34\x46\x36\xD9\xB6";
        responder.writeDatagram(QByteArray(kReply, sizeof kReply - 1), request.senderAddress(),
                                request.senderPort());
    });

    SourceDialog d;
    d.finder().setDiscoveryTarget(QHostAddress::LocalHost, responder.localPort());
    d.finder().setListenMs(300);
    d.txtTuner->setText(QString::fromStdString(tuner.url()));
    d.cmdFind_Click();
    ASSERT_TRUE(waitFor([&] { return d.cmdFind->isEnabled(); }));
    EXPECT_EQ(d.lblFind->text(), QStringLiteral("2 tuners found"));
    ASSERT_EQ(d.lstTuners->count(), 2);
    QStringList addresses;
    for (int i = 0; i < 2; ++i) {
        addresses << d.lstTuners->item(i)->data(Qt::UserRole).toString();
    }
    addresses.sort();
    EXPECT_EQ(addresses, (QStringList{QString::fromStdString(tuner.url()),
                                      QStringLiteral("http://127.0.0.1:5004")}));
    EXPECT_EQ(asked.size(), 20) << "the discovery request reached the responder";
    EXPECT_TRUE(d.optTuner->isChecked());
}

}  // namespace
