// What the program relies on from any card, run against every card.
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "TestTuner.h"
#include "TinyStation.h"
#include "platform/tv/SimulatedCard.h"
#include "platform/tv/SwitchingCard.h"
#include "platform/tv/TestCard.h"
#include "platform/tv/net/NetworkCard.h"
#include "platform/tv/stream/CardSource.h"
#include "platform/win/WinQt.h"

using namespace platform::tv;
namespace win = platform::win;

namespace {

std::vector<std::pair<int32_t, int32_t>> g_scan;

int16_t scanCallback(int32_t current, int32_t ignored, int32_t found) {
    EXPECT_EQ(ignored, 0);
    g_scan.emplace_back(current, found);
    return 1;
}

struct CardMaker {
    const char* name;
    // Makes a card with stations on channels 3 and 5 of 125.
    std::function<std::unique_ptr<TvCard>(const tvtest::TempBroadcasts&)> make;
};

class CardContract : public ::testing::TestWithParam<CardMaker> {
  protected:
    void SetUp() override {
        broadcasts.addStation(3, "00:00:00:00\t9420\n", 0.5, 0.0f);
        broadcasts.addStation(5, "00:00:00:00\t9420\n", 0.5, 0.0f);
        card = GetParam().make(broadcasts);
        parent.resize(640, 480);
        mainWindow = win::registerWidget(&parent);
        g_scan.clear();
    }
    void TearDown() override { card.reset(); }

    tvtest::TempBroadcasts broadcasts;
    std::unique_ptr<TvCard> card;
    QWidget parent;
    win::HWND mainWindow = 0;
};

TEST_P(CardContract, HasOneHundredTwentyFiveChannelsInTheUpperWord) {
    ASSERT_TRUE(card->DVALoad(1).isOk());
    const int32_t r = card->DVATuneChannels(0);
    EXPECT_EQ(static_cast<int16_t>(static_cast<uint32_t>(r) >> 16), 125);
    EXPECT_EQ(card->DVAFree(), 1);
}

TEST_P(CardContract, ScanReportsEveryChannelInOrderWithItsStations) {
    ASSERT_TRUE(card->DVALoad(1).isOk());
    card->DVATuneScan(0, &scanCallback);
    ASSERT_EQ(g_scan.size(), 125u);
    for (int32_t ch = 1; ch <= 125; ++ch) {
        EXPECT_EQ(g_scan[static_cast<std::size_t>(ch - 1)].first, ch);
        EXPECT_EQ(g_scan[static_cast<std::size_t>(ch - 1)].second != 0, ch == 3 || ch == 5) << ch;
    }
    card->DVAFree();
}

TEST_P(CardContract, AcceptsTheLoadSequenceAndItsMessages) {
    ASSERT_TRUE(card->DVALoad(1).isOk());
    const win::HWND video = card->CreateVideoWindow(mainWindow, 1, Rect{0, 35, 626, 438});
    ASSERT_NE(video, 0);
    EXPECT_TRUE(win::IsWindow(video));
    int32_t zero = 0, magic = 123;
    const auto lp = [](int32_t& v) { return reinterpret_cast<win::LPARAM>(&v); };
    win::SendMessageA(video, kMsgStartPicture, 0, lp(zero));
    card->DVAAudioSetVolume(0, 500);
    card->DVASetProperty(0, kPropCaptionDisplay, 1);
    win::SendMessageA(video, kMsgCaptionTarget, mainWindow, lp(magic));
    EXPECT_EQ(card->DVATuneSetChannel(0, 3), 1);
    EXPECT_EQ(card->DVATuneSetChannel(0, 200), 1) << "a channel beyond the card is no fault";
    win::SendMessageA(video, kMsgRecordingStop, 1, lp(zero));
    win::SendMessageA(video, kMsgRecordingStop, 0, lp(zero));
    win::SendMessageA(video, win::WM_MOVE, 0, lp(zero));
    EXPECT_TRUE(win::SetWindowPos(video, 0, 0, 35, 600, 400, win::SWP_NOZORDER));
    win::SendMessageA(video, kMsgStopAll, 0, lp(zero));
    EXPECT_EQ(card->DVAFree(), 1);
    EXPECT_TRUE(win::IsWindow(video)) << "the window belongs to its parent";
}

TEST_P(CardContract, CanLoadAgainAfterFree) {
    ASSERT_TRUE(card->DVALoad(1).isOk());
    card->DVAFree();
    ASSERT_TRUE(card->DVALoad(1).isOk());
    card->DVATuneScan(0, &scanCallback);
    EXPECT_EQ(g_scan.size(), 125u);
    card->DVAFree();
}

INSTANTIATE_TEST_SUITE_P(
    Cards, CardContract,
    ::testing::Values(
        CardMaker{"TestCard",
                  [](const tvtest::TempBroadcasts&) -> std::unique_ptr<TvCard> {
                      auto c = std::make_unique<TestCard>(125);
                      c->setFoundChannels({3, 5});
                      return c;
                  }},
        CardMaker{"SimulatedCard",
                  [](const tvtest::TempBroadcasts& b) -> std::unique_ptr<TvCard> {
                      auto c = std::make_unique<SimulatedCard>();
                      c->setBroadcastsRoot(b.root().string());
                      c->setSoundEnabled(false);
                      c->setScanDelay(std::chrono::milliseconds(0));
                      return c;
                  }},
        CardMaker{"SwitchingCard",
                  [](const tvtest::TempBroadcasts& b) -> std::unique_ptr<TvCard> {
                      const std::string root = b.root().string();
                      auto make =
                          [root](const std::string&) -> platform::Result<std::unique_ptr<TvCard>> {
                          auto c = std::make_unique<SimulatedCard>();
                          c->setBroadcastsRoot(root);
                          c->setSoundEnabled(false);
                          c->setScanDelay(std::chrono::milliseconds(0));
                          return std::unique_ptr<TvCard>(std::move(c));
                      };
                      return std::make_unique<SwitchingCard>(root + "/tvcard.ini", make, nullptr,
                                                             nullptr);
                  }},
        CardMaker{"NetworkCard",
                  [](const tvtest::TempBroadcasts& b) -> std::unique_ptr<TvCard> {
                      // The sample stations 3 and 5 from a tuner on
                      // 127.0.0.1, kept in slots 3 and 5.
                      static const platform::SteadyClock clock;
                      static nettest::TestTuner tuner(clock);
                      const std::string settings = (b.root() / "tvcard.ini").string();
                      nettest::writeCardSettings(settings, tuner.url(), {{3, "3"}, {5, "5"}});
                      auto c = std::make_unique<net::NetworkCard>(
                          stream::parseCardSource(tuner.url()).value(), settings);
                      c->setSoundEnabled(false);
                      return c;
                  }}),
    [](const ::testing::TestParamInfo<CardMaker>& info) { return std::string(info.param.name); });

}  // namespace
