#include <gtest/gtest.h>

#include <vector>

#include "platform/tv/CardFactory.h"
#include "platform/tv/TestCard.h"
#include "platform/win/Win.h"

using namespace platform::tv;
using namespace platform::win;

namespace {

std::vector<WPARAM> g_pairs;

LRESULT captionWindow(HWND, UINT msg, WPARAM w, LPARAM) {
    if (msg == kMsgCaptionPair) {
        g_pairs.push_back(w);
    }
    return 0;
}

TEST(TestCard, RecordsCallsAndVideoWindowMessagesInOrder) {
    TestCard card(62);
    const HWND main = RegisterWindow(&captionWindow);
    ASSERT_TRUE(card.DVALoad(77).isOk());
    EXPECT_EQ(card.DVATuneChannels(0) >> 16, 62);
    const HWND video = card.CreateVideoWindow(main, 77, Rect{0, 35, 626, 438});
    ASSERT_NE(video, 0);
    int32_t zero = 0, magic = 123;
    SendMessageA(video, kMsgStartPicture, 0, reinterpret_cast<LPARAM>(&zero));
    card.DVAAudioSetVolume(0, 500);
    SendMessageA(video, kMsgCaptionTarget, main, reinterpret_cast<LPARAM>(&magic));
    SetWindowPos(video, 0, 0, 35, 600, 400, SWP_NOZORDER);
    card.DVATuneSetChannel(0, 3);
    SendMessageA(video, kMsgStopAll, 0, reinterpret_cast<LPARAM>(&zero));
    card.DVAFree();

    const std::vector<std::string> expected = {
        "DVALoad(77)",
        "DVATuneChannels(0)",
        "CreateVideoWindow(" + std::to_string(main) + ", 77, 0, 35, 626, 438)",
        "1027(0, 0)",
        "DVAAudioSetVolume(0, 500)",
        "1040(" + std::to_string(main) + ", 123)",
        "SetWindowPos(0, 35, 600, 400)",
        "DVATuneSetChannel(0, 3)",
        "1028(0, 0)",
        "DVAFree()",
    };
    EXPECT_EQ(card.callTexts(), expected);
    EXPECT_EQ(card.tunedChannel(), 3);
    DestroyWindow(main);
}

TEST(TestCard, CaptionTargetNeedsTheCheckValueAndEndsAtStop) {
    TestCard card;
    const HWND main = RegisterWindow(&captionWindow);
    const HWND video = card.CreateVideoWindow(main, 0, Rect{});
    g_pairs.clear();
    int32_t wrong = 124, magic = 123, zero = 0;
    SendMessageA(video, kMsgCaptionTarget, main, reinterpret_cast<LPARAM>(&wrong));
    EXPECT_FALSE(card.sendCaptionPair(0x94, 0x2C));
    SendMessageA(video, kMsgCaptionTarget, main, reinterpret_cast<LPARAM>(&magic));
    EXPECT_TRUE(card.sendCaptionPair(0x94, 0x2C));
    SendMessageA(video, kMsgStopAll, 0, reinterpret_cast<LPARAM>(&zero));
    EXPECT_FALSE(card.sendCaptionPair(0x94, 0x2C));
    EXPECT_EQ(g_pairs, (std::vector<WPARAM>{0x2934}));
    DestroyWindow(main);
}

TEST(TestCard, DestroyedVideoWindowIsNotedAndForgotten) {
    TestCard card;
    const HWND video = card.CreateVideoWindow(0, 0, Rect{});
    DestroyWindow(video);
    EXPECT_EQ(card.callNames().back(), "WM_DESTROY");
    EXPECT_EQ(card.videoWindow(), 0);
    EXPECT_FALSE(IsWindow(video));
}

TEST(TestCard, FailedLoadSaysWhy) {
    TestCard card;
    card.failLoad("Cannot open 'atitv': no such card");
    const platform::Status s = card.DVALoad(0);
    EXPECT_FALSE(s.isOk());
    EXPECT_EQ(s.message(), "Cannot open 'atitv': no such card");
    EXPECT_FALSE(card.loaded());
}

TEST(CurrentCard, IsWhatWasSetAndAbsentCardFailsToLoad) {
    auto owned = std::make_unique<TestCard>(7);
    TestCard* raw = owned.get();
    setCurrentCard(std::move(owned));
    EXPECT_EQ(&currentCard(), raw);
    EXPECT_EQ(currentCard().DVATuneChannels(0) >> 16, 7);
    setCurrentCard(nullptr);

    // This test binary links no card library: the default cannot load.
    const platform::Status s = currentCard().DVALoad(0);
    EXPECT_FALSE(s.isOk());
    EXPECT_NE(s.message().find("TV card"), std::string::npos);
    setCurrentCard(nullptr);
}

}  // namespace
