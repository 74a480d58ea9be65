#include <gtest/gtest.h>

#include <QWidget>
#include <iostream>
#include <sstream>
#include <vector>

#include "TinyStation.h"
#include "platform/core/Clock.h"
#include "platform/tv/CardFactory.h"
#include "platform/tv/SimulatedCard.h"
#include "platform/captionscreen/CaptionScreen.h"
#include "platform/win/WinQt.h"

using namespace platform::tv;
namespace win = platform::win;
using platform::scc::frameTime;

namespace {

std::vector<win::WPARAM> g_received;

win::LRESULT captionReceiver(win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM) {
    if (msg == kMsgCaptionPair) {
        g_received.push_back(w);
    }
    return 0;
}

constexpr double kLoadTime = 500.0;

class SimCard : public ::testing::Test {
  protected:
    void SetUp() override {
        // Channel 3: erase displayed memory at frame 30.
        broadcasts.addStation(3, "00:00:01:00\t942c 942c\n", 1.0, 0.0f);
        // Channel 5: a pop-on "HI" shown at frame 6.
        broadcasts.addStation(5, "00:00:00:00\t9420 9420 9470 9470 c849 942f 942f\n", 1.0, 0.0f);
        platform::setProgramClock(&clock);
        clock.set(kLoadTime);
        card.setBroadcastsRoot(broadcasts.root().string());
        card.setSoundEnabled(false);
        card.setScanDelay(std::chrono::milliseconds(0));
        parent.resize(640, 480);
        mainWindow = win::registerWidget(&parent);
        receiver = win::RegisterWindow(&captionReceiver);
        g_received.clear();
    }
    void TearDown() override {
        card.DVAFree();
        win::DestroyWindow(receiver);
        platform::setProgramClock(nullptr);
    }

    // Load as the main window does, with captions going to the receiver.
    void loadAndWatch(int16_t channel) {
        ASSERT_TRUE(card.DVALoad(0).isOk());
        video = card.CreateVideoWindow(mainWindow, 0, Rect{0, 35, 626, 438});
        ASSERT_NE(video, 0);
        send(kMsgStartPicture, 0, 0);
        send(kMsgCaptionTarget, receiver, 123);
        card.DVATuneSetChannel(0, channel);
    }
    void send(win::UINT msg, win::WPARAM w, int32_t value) {
        win::SendMessageA(video, msg, w, reinterpret_cast<win::LPARAM>(&value));
    }
    void at(int64_t frame) { clock.set(card.programmeStart() + frameTime(frame)); }

    platform::ManualClock clock;
    tvtest::TempBroadcasts broadcasts;
    SimulatedCard card;
    QWidget parent;
    win::HWND mainWindow = 0;
    win::HWND receiver = 0;
    win::HWND video = 0;
};

TEST_F(SimCard, ProgrammeClockStartsAtLoadAndChannelThreeJoinsAtItsBeginning) {
    loadAndWatch(3);
    EXPECT_EQ(card.programmeStart(), kLoadTime);
    EXPECT_EQ(card.pump(), 1);
    at(31);
    card.pump();
    ASSERT_EQ(g_received.size(), 32u);
    EXPECT_EQ(g_received[0], 0x0101);
    EXPECT_EQ(g_received[29], 0x0101);
    EXPECT_EQ(g_received[30], 0x2934);
    EXPECT_EQ(g_received[31], 0x2934);
}

TEST_F(SimCard, LoadingAgainRestartsTheProgrammeClock) {
    ASSERT_TRUE(card.DVALoad(0).isOk());
    card.DVAFree();
    clock.advance(12.5);
    ASSERT_TRUE(card.DVALoad(0).isOk());
    EXPECT_EQ(card.programmeStart(), kLoadTime + 12.5);
}

TEST_F(SimCard, CaptionTargetIsTakenOnlyWithTheCheckValue) {
    ASSERT_TRUE(card.DVALoad(0).isOk());
    video = card.CreateVideoWindow(mainWindow, 0, Rect{0, 35, 626, 438});
    send(kMsgStartPicture, 0, 0);
    send(kMsgCaptionTarget, receiver, 124);
    card.DVATuneSetChannel(0, 3);
    at(10);
    card.pump();
    EXPECT_TRUE(g_received.empty());
    send(kMsgCaptionTarget, receiver, 123);
    at(12);
    card.pump();
    EXPECT_EQ(g_received.size(), 2u) << "from the live edge on";
}

TEST_F(SimCard, StopEndsCaptionsAndPictureAndNoStationSendsNothing) {
    loadAndWatch(4);
    at(20);
    card.pump();
    EXPECT_TRUE(g_received.empty()) << "channel 4 has no station";
    card.DVATuneSetChannel(0, 3);
    at(21);
    card.pump();
    EXPECT_EQ(g_received.size(), 1u);
    ASSERT_NE(card.videoWindow(), nullptr);
    EXPECT_TRUE(card.videoWindow()->pictureOn());
    send(kMsgStopAll, 0, 0);
    at(100);
    EXPECT_EQ(card.pump(), 0);
    EXPECT_EQ(g_received.size(), 1u);
    EXPECT_FALSE(card.videoWindow()->pictureOn());
}

TEST_F(SimCard, FramesDueBeforeATuningBelongToTheOldChannel) {
    loadAndWatch(3);
    at(40);  // no pump: the timer has not run yet
    card.DVATuneSetChannel(0, 4);
    // Frames 0..39 were due on channel 3; frame 40, due at the tuning, is channel 4's.
    EXPECT_EQ(g_received.size(), 40u);
    EXPECT_EQ(g_received[30], 0x2934);
    at(80);
    card.pump();
    EXPECT_EQ(g_received.size(), 40u);
}

TEST_F(SimCard, VideoWindowIsAChildAtTheRectangleAndTakesItsMessages) {
    loadAndWatch(3);
    VideoWindow* v = card.videoWindow();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->objectName(), "ATIVideoWindow");
    EXPECT_EQ(v->parentWidget(), &parent);
    EXPECT_EQ(v->geometry(), QRect(0, 35, 626, 403));
    EXPECT_EQ(win::widgetFor(video), v);
    EXPECT_TRUE(v->showsChannelNumber());
    clock.advance(2.1);
    v->tick(clock.now());
    EXPECT_FALSE(v->showsChannelNumber()) << "the number goes after two seconds";

    send(kMsgRecordingStop, 1, 0);
    EXPECT_TRUE(v->savingMark());
    send(kMsgRecordingStop, 0, 0);
    EXPECT_FALSE(v->savingMark());
    send(win::WM_MOVE, 0, static_cast<int32_t>(win::packPoint(10, 20)));
    EXPECT_EQ(card.movesNoted(), 1);
    EXPECT_EQ(card.CreateVideoWindow(0, 0, Rect{}), 0) << "no parent window";
}

TEST_F(SimCard, CaptionDisplayShowsTheStationsCaptions) {
    loadAndWatch(5);
    card.DVASetProperty(0, kPropCaptionDisplay, 1);
    EXPECT_TRUE(card.videoWindow()->captionDisplay());
    at(4);
    card.pump();
    EXPECT_EQ(card.videoWindow()->captions().text().find("HI"), std::string::npos)
        << "not shown before the end of caption";
    at(6);
    card.pump();
    EXPECT_NE(card.videoWindow()->captions().text().find("HI"), std::string::npos);
    card.DVASetProperty(0, kPropCaptionDisplay, 0);
    EXPECT_FALSE(card.videoWindow()->captionDisplay());
}

TEST_F(SimCard, InjectedFaultsReachTheCaptionWindow) {
    card.failLoad("Cannot open the tuner: device busy");
    const platform::Status s = card.DVALoad(0);
    EXPECT_FALSE(s.isOk());
    EXPECT_EQ(s.message(), "Cannot open the tuner: device busy");
    card.failLoad("");

    card.badParity(2);
    card.dropFrames(1, 10);
    loadAndWatch(3);
    at(9);
    card.pump();
    // Frame 0 is lost, frames 1, 3, 5, 7 and 9 carry a broken first byte.
    const std::vector<win::WPARAM> expected = {0x0001, 0x0101, 0x0001, 0x0101, 0x0001,
                                               0x0101, 0x0001, 0x0101, 0x0001};
    EXPECT_EQ(g_received, expected);
}

TEST_F(SimCard, BrokenStationIsReportedOnStandardErrorAndNotScanned) {
    broadcasts.addStation(6, "00:00:00:00\t9420\n", 1.0, 0.0f);
    broadcasts.writeFile(6, "sound.wav", "garbage");
    std::ostringstream captured;
    std::streambuf* old = std::cerr.rdbuf(captured.rdbuf());
    const platform::Status s = card.DVALoad(0);
    std::cerr.rdbuf(old);
    ASSERT_TRUE(s.isOk());
    EXPECT_NE(captured.str().find("Channel 6 has no station"), std::string::npos) << captured.str();
    EXPECT_NE(captured.str().find((broadcasts.folder(6) / "sound.wav").string()),
              std::string::npos);
    static std::vector<int32_t> found;
    found.clear();
    card.DVATuneScan(0, [](int32_t ch, int32_t, int32_t f) -> int16_t {
        if (f != 0) {
            found.push_back(ch);
        }
        return 1;
    });
    EXPECT_EQ(found, (std::vector<int32_t>{3, 5}));
}

TEST_F(SimCard, SoundFeedFollowsTheProgrammeClock) {
    loadAndWatch(3);
    ASSERT_NE(card.audioFeed(), nullptr);
    std::vector<float> out(10);
    card.audioFeed()->render(kLoadTime + 0.5, tvtest::kTinyRate, 1, out.data(), out.size());
    for (long i = 0; i < 10; ++i) {
        EXPECT_FLOAT_EQ(out[static_cast<std::size_t>(i)], tvtest::ramp(4000 + i, 0.0f));
    }
    EXPECT_FALSE(card.soundPlaying()) << "sound was switched off for the test";
}

TEST_F(SimCard, DeletedVideoWindowStopsTheCard) {
    loadAndWatch(3);
    delete card.videoWindow();
    EXPECT_FALSE(win::IsWindow(video));
    EXPECT_EQ(card.videoWindow(), nullptr);
    at(30);
    EXPECT_EQ(card.pump(), 0);
    EXPECT_EQ(card.DVATuneSetChannel(0, 5), 1);
}

TEST(DefaultCard, IsTheSimulatedCardWhenItIsLinkedIn) {
    setCurrentCard(nullptr);
    EXPECT_NE(dynamic_cast<SimulatedCard*>(&currentCard()), nullptr);
    EXPECT_EQ(currentCard().DVATuneChannels(0) >> 16, 125);
    setCurrentCard(nullptr);
}

}  // namespace

namespace {

// Sound is on by default: with or without a sound server the card plays or
// stays silent, and stops with the picture.
TEST_F(SimCard, SoundStartsWithThePictureWhereADeviceIsAndStopsWithIt) {
    card.setSoundEnabled(true);
    loadAndWatch(3);
    const bool playing = card.soundPlaying();
    send(kMsgStopAll, 0, 0);
    EXPECT_FALSE(card.soundPlaying());
    send(kMsgStartPicture, 0, 0);
    EXPECT_EQ(card.soundPlaying(), playing);
    card.DVAFree();
    EXPECT_FALSE(card.soundPlaying());
}

}  // namespace
