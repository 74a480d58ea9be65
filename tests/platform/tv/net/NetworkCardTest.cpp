// The network card against the fake tuner on 127.0.0.1: watching a channel,
// what the picture says when the tuner refuses, falls silent, stalls or
// cannot be reached (and that the card gets the picture back by itself), and
// a scan cancelled halfway. Waits are for things the card and the tuner do in
// real time (the network's timeouts are shortened), never plain sleeps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "TestTuner.h"
#include "platform/core/ProfileFile.h"
#include "platform/tv/net/NetworkCard.h"
#include "platform/tv/net/ScanBox.h"
#include "platform/tv/net/TunerMessages.h"
#include "platform/tv/stream/CardSource.h"
#include "platform/tv/stream/SlotMap.h"
#include "platform/win/WinQt.h"
#include "tests/support/TempDir.h"

using namespace platform::tv;
using namespace platform::tv::net;
namespace win = platform::win;

namespace {

int g_pairs = 0;
std::vector<std::pair<int32_t, int32_t>> g_scan;

win::LRESULT captionWindow(win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) {
    if (msg == kMsgCaptionPair) {
        ++g_pairs;
    }
    return 0;
}

int16_t scanCallback(int32_t current, int32_t, int32_t found) {
    g_scan.emplace_back(current, found);
    return 1;
}

bool waitFor(const std::function<bool()>& done, double seconds = 10.0) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (static_cast<double>(t.elapsed()) > seconds * 1000.0) {
            return false;
        }
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

class NetCard : public ::testing::Test {
  protected:
    void SetUp() override {
        g_pairs = 0;
        g_scan.clear();
        parent.resize(320, 240);
        mainWindow = win::registerWidget(&parent);
        target = win::RegisterWindow(&captionWindow);
    }
    void TearDown() override {
        card.reset();
        win::DestroyWindow(target);
    }

    // A card for the source, loaded and showing its picture.
    void start(const std::string& source) {
        platform::Result<stream::CardSource> s = stream::parseCardSource(source);
        ASSERT_TRUE(s.isOk()) << s.message();
        HttpTimeouts fast;
        fast.documentMs = 2000;
        fast.connectMs = 2000;
        fast.noDataMs = 400;
        fast.stallMs = 700;
        card = std::make_unique<NetworkCard>(s.value(), settings, fast);
        card->setSoundEnabled(false);
        card->setRetryMs(200);
        ASSERT_TRUE(card->DVALoad(0).isOk());
        video = card->CreateVideoWindow(mainWindow, 0, Rect{0, 0, 320, 240});
        send(kMsgStartPicture, 0, 0);
        card->DVASetProperty(0, kPropCaptionDisplay, 1);
        send(kMsgCaptionTarget, target, 123);
    }
    void send(win::UINT msg, win::WPARAM w, int32_t value) {
        win::SendMessageA(video, msg, w, reinterpret_cast<win::LPARAM>(&value));
    }
    bool picturesComeAgain() {
        const int64_t before = card->picturesShown();
        return waitFor([&] { return card->picturesShown() > before + 3; });
    }
    bool says(const std::string& text) {
        return waitFor([&] { return card->notice() == text; });
    }

    platform::SteadyClock clock;
    testsupport::TempDir dir;
    const std::string settings = dir.file("tvcard.ini");
    QWidget parent;
    win::HWND mainWindow = 0;
    win::HWND target = 0;
    win::HWND video = 0;
    std::unique_ptr<NetworkCard> card;
};

TEST_F(NetCard, TheLineupIsNumberedAndATunedChannelShowsItsPictureLabelAndCaptions) {
    nettest::TestTuner tuner(clock);
    start(tuner.url());
    ASSERT_TRUE(waitFor([&] { return card->channelsKnown(); }));
    const platform::Result<stream::SlotMap> slots = stream::SlotMap::read(settings);
    ASSERT_TRUE(slots.isOk()) << slots.message();
    EXPECT_EQ(slots.value().keyAt(1), "3") << "numbered in guide order before any scan";
    EXPECT_EQ(slots.value().keyAt(2), "5");

    card->DVATuneSetChannel(0, 2);
    EXPECT_EQ(card->videoWindow()->label().toStdString(),
              "2 \u00b7 5 " + nettest::sampleChannels()[1].guideName);
    ASSERT_TRUE(picturesComeAgain()) << card->notice();
    EXPECT_EQ(card->notice(), "");
    EXPECT_FALSE(card->videoWindow()->frame().isNull());
    EXPECT_TRUE(waitFor([] { return g_pairs > 30; })) << "one pair a frame to the caption target";
    EXPECT_EQ(tuner.tuner().openStreams(), 1);

    card->DVATuneSetChannel(0, 9);
    EXPECT_TRUE(says(kNoSuchChannel));
    EXPECT_TRUE(waitFor([&] { return tuner.tuner().openStreams() == 0; }))
        << "tuning away frees the tuner";
}

TEST_F(NetCard, BusyTunersAreToldAndTheChannelComesWhenOneIsFree) {
    nettest::TestTuner tuner(clock);
    // Two other viewers hold both tuners.
    QNetworkAccessManager others;
    QNetworkReply* first =
        others.get(QNetworkRequest(QUrl(QString::fromStdString(tuner.url() + "/auto/v3"))));
    QNetworkReply* second =
        others.get(QNetworkRequest(QUrl(QString::fromStdString(tuner.url() + "/auto/v5"))));
    ASSERT_TRUE(waitFor([&] { return tuner.tuner().openStreams() == 2; }));

    nettest::writeCardSettings(settings, tuner.url(), {{3, "3"}});
    start(tuner.url());
    card->DVATuneSetChannel(0, 3);
    EXPECT_TRUE(says(kAllTunersInUse)) << card->notice();
    first->abort();
    EXPECT_TRUE(picturesComeAgain()) << card->notice();
    EXPECT_EQ(card->notice(), "");
    second->abort();
    first->deleteLater();
    second->deleteLater();
}

TEST_F(NetCard, AChannelTheTunerDoesNotKnowIsNoSuchChannel) {
    nettest::TestTuner tuner(clock);
    // A playlist that names a channel the tuner does not have: its 404.
    const std::string playlist = dir.file("tv.m3u");
    std::ofstream(playlist) << "#EXTM3U\n#EXTINF:-1,Gone\n" << tuner.url() << "/auto/v99\n";
    start("m3u:" + playlist);
    ASSERT_TRUE(waitFor([&] { return card->channelsKnown(); }));
    card->DVATuneSetChannel(0, 1);
    EXPECT_TRUE(says(kNoSuchChannel)) << card->notice();
}

TEST_F(NetCard, SilenceIsNoSignalAndAStallIsToldAndReconnected) {
    nettest::TestTuner tuner(clock);
    nettest::writeCardSettings(settings, tuner.url(), {{3, "3"}});
    ASSERT_TRUE(faketuner::setFault(tuner.tuner().core().faults(), "silent-start", "1.5"));
    start(tuner.url());
    card->DVATuneSetChannel(0, 3);
    EXPECT_TRUE(says(kNoSignal)) << card->notice();
    ASSERT_TRUE(picturesComeAgain()) << card->notice();
    EXPECT_EQ(card->notice(), "") << "the signal came";

    ASSERT_TRUE(faketuner::setFault(tuner.tuner().core().faults(), "clear", ""));
    ASSERT_TRUE(faketuner::setFault(tuner.tuner().core().faults(), "stall", "0.5:30"));
    card->DVATuneSetChannel(0, 3);
    ASSERT_TRUE(says(kSignalLost)) << card->notice();
    ASSERT_TRUE(faketuner::setFault(tuner.tuner().core().faults(), "clear", ""));
    EXPECT_TRUE(picturesComeAgain()) << card->notice();
    EXPECT_TRUE(waitFor([&] { return card->notice().empty(); })) << card->notice();
    EXPECT_EQ(tuner.tuner().openStreams(), 1) << "the stalled stream was let go";
}

TEST_F(NetCard, AnUnreachableTunerIsToldAndTriedUntilItAnswers) {
    const quint16 port = nettest::closedPort();
    const std::string url = "http://127.0.0.1:" + std::to_string(port);
    nettest::writeCardSettings(settings, url, {{3, "3"}});
    start(url);
    card->DVATuneSetChannel(0, 3);
    EXPECT_TRUE(says("Tuner not reachable: 127.0.0.1")) << card->notice();
    nettest::TestTuner tuner(clock, port);
    EXPECT_TRUE(picturesComeAgain()) << card->notice();
}

TEST_F(NetCard, CancellingAScanStopsTheTunersScanAndKeepsWhatItFound) {
    // A scan that finds channel 3 after 2.5 s and channel 5 after 5 s.
    nettest::TestTuner tuner(clock, 0, 5.0);
    start(tuner.url());
    ASSERT_TRUE(waitFor([&] { return card->channelsKnown(); }));
    card->DVATuneSetChannel(0, 1);
    QString shown;
    card->setScanBoxHook([&shown](ScanBox& box) {
        auto* watch = new QTimer(&box);
        QObject::connect(watch, &QTimer::timeout, &box, [&box, &shown, watch] {
            const QString found = box.findChild<QLabel*>(QStringLiteral("lblFound"))->text();
            if (found.startsWith(QLatin1String("1 channel"))) {
                shown = found;
                watch->stop();
                box.cancelButton()->click();
            }
        });
        watch->start(50);
    });
    card->DVATuneScan(0, &scanCallback);
    EXPECT_EQ(shown, QStringLiteral("1 channel found"));
    ASSERT_EQ(g_scan.size(), 125u);
    std::set<int32_t> found;
    for (const auto& [ch, f] : g_scan) {
        if (f != 0) {
            found.insert(ch);
        }
    }
    EXPECT_EQ(found, std::set<int32_t>{1}) << "the lineup as it stood: channel 3 only";
    EXPECT_EQ(card->slots().keyAt(2), "5") << "a channel not found again keeps its slot";
    EXPECT_TRUE(picturesComeAgain()) << "the channel is tuned again after the scan";
}

TEST_F(NetCard, AFolderIsScannedByOpeningEachFileAndItsRecordingsArePlayed) {
    const std::string folder = dir.file("recordings");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(nettest::sampleStream("5"), folder + "/news.ts");
    std::ofstream(folder + "/broken.ts") << "not a transport stream";
    start("dir:" + folder);
    ASSERT_TRUE(card->channelsKnown());
    card->DVATuneScan(0, &scanCallback);
    ASSERT_EQ(g_scan.size(), 125u);
    std::set<int32_t> found;
    for (const auto& [ch, f] : g_scan) {
        if (f != 0) {
            found.insert(ch);
        }
    }
    // Numbered in name order when the folder was first read: broken.ts 1, news.ts 2.
    EXPECT_EQ(found, std::set<int32_t>{2});
    card->DVATuneSetChannel(0, 2);
    EXPECT_EQ(card->videoWindow()->label().toStdString(), "2 \u00b7 news.ts");
    EXPECT_TRUE(picturesComeAgain()) << card->notice();
    // Four seconds of recording play on past their end.
    EXPECT_TRUE(waitFor([&] { return card->picturesShown() > 6 * 30; }, 15.0)) << card->notice();
}

}  // namespace
