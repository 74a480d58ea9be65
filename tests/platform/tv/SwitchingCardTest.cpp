// The program's card changing its source while the program runs: the video
// window the program holds and its caption target stay valid, the new card
// is told everything the old one was, and the choice is kept in tvcard.ini.
#include <gtest/gtest.h>

#include <QWidget>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/core/ProfileFile.h"
#include "platform/tv/SwitchingCard.h"
#include "platform/tv/TestCard.h"
#include "platform/win/WinQt.h"
#include "tests/support/TempDir.h"

using namespace platform::tv;
namespace win = platform::win;

namespace {

// A test card the test keeps after the switching card let go of it.
class Borrowed final : public TvCard {
  public:
    explicit Borrowed(TestCard& c) : c_(c) {}
    platform::Status DVALoad(intptr_t h) override { return c_.DVALoad(h); }
    int32_t DVATuneChannels(int32_t z) override { return c_.DVATuneChannels(z); }
    int32_t DVAAudioSetVolume(int32_t z, int32_t v) override { return c_.DVAAudioSetVolume(z, v); }
    int32_t DVASetProperty(int32_t z, int32_t p, int32_t v) override {
        return c_.DVASetProperty(z, p, v);
    }
    int32_t DVATuneSetChannel(int32_t z, int16_t ch) override {
        return c_.DVATuneSetChannel(z, ch);
    }
    int32_t DVATuneScan(int32_t z, ScanCallback cb) override { return c_.DVATuneScan(z, cb); }
    int32_t DVAFree() override { return c_.DVAFree(); }
    HWND CreateVideoWindow(HWND parent, intptr_t h, const Rect& r) override {
        return c_.CreateVideoWindow(parent, h, r);
    }

  private:
    TestCard& c_;
};

class SwitchCard : public ::testing::Test {
  protected:
    void SetUp() override {
        parent.resize(640, 480);
        parent.show();  // a hidden window's children learn their size late
        mainWindow = win::registerWidget(&parent);
        card = std::make_unique<SwitchingCard>(
            settings, [this](const std::string& source) { return make(source); },
            [this](const std::string&, QWidget*) { return chosen; },
            [this](const std::string& message, QWidget*) { reported.push_back(message); });
    }

    platform::Result<std::unique_ptr<TvCard>> make(const std::string& source) {
        if (source == "broken") {
            return platform::Error{"Unknown source 'broken'"};
        }
        TestCard& c = cards.emplace_back(125);
        if (source == "unloadable") {
            c.failLoad("Tuner library missing");
        }
        made[source].push_back(&c);
        return std::unique_ptr<TvCard>(std::make_unique<Borrowed>(c));
    }
    TestCard& latest(const std::string& source) { return *made.at(source).back(); }

    void send(win::UINT msg, win::WPARAM w, int32_t value) {
        win::SendMessageA(video, msg, w, reinterpret_cast<win::LPARAM>(&value));
    }

    // The program's load sequence, as the main window runs it.
    void loadAsTheProgramDoes() {
        ASSERT_TRUE(card->DVALoad(7).isOk());
        video = card->CreateVideoWindow(mainWindow, 7, Rect{0, 35, 626, 438});
        ASSERT_NE(video, 0);
        send(kMsgStartPicture, 0, 0);
        card->DVAAudioSetVolume(0, 500);
        card->DVASetProperty(0, kPropCaptionDisplay, 1);
        send(kMsgCaptionTarget, mainWindow, 123);
        card->DVATuneSetChannel(0, 8);
    }

    testsupport::TempDir dir;
    const std::string settings = dir.file("tvcard.ini");
    std::deque<TestCard> cards;
    std::map<std::string, std::vector<TestCard*>> made;
    std::optional<std::string> chosen;
    std::vector<std::string> reported;
    QWidget parent;
    win::HWND mainWindow = 0;
    win::HWND video = 0;
    std::unique_ptr<SwitchingCard> card;
};

TEST_F(SwitchCard, WithoutSettingsTheDefaultSourceIsTheOneInUse) {
    loadAsTheProgramDoes();
    EXPECT_EQ(card->source(), "");
    EXPECT_EQ(made.at("").size(), 1u);
    EXPECT_EQ(latest("").tunedChannel(), 8);
    EXPECT_EQ(latest("").captionTarget(), mainWindow);
}

TEST_F(SwitchCard, ASwitchFreesTheOldCardAndBringsTheNewOneToTheSameState) {
    loadAsTheProgramDoes();
    TestCard& old = latest("");
    const win::HWND oldWindow = old.videoWindow();
    chosen = "http://127.0.0.1:5004";
    card->chooseSource();

    EXPECT_TRUE(reported.empty());
    const std::vector<std::string> names = old.callNames();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
              (std::vector<std::string>{"1028", "DVAFree", "WM_DESTROY"}));
    EXPECT_FALSE(win::IsWindow(oldWindow)) << "the old card's window went with it";
    TestCard& now = latest("http://127.0.0.1:5004");
    const std::vector<std::string> expected = {
        "DVALoad(7)",
        "CreateVideoWindow(" + std::to_string(video) + ", 7, 0, 0, 626, 403)",
        "1027(0, 0)",
        "DVAAudioSetVolume(0, 500)",
        "DVASetProperty(0, 12, 1)",
        "1040(" + std::to_string(mainWindow) + ", 123)",
        "DVATuneSetChannel(0, 8)"};
    EXPECT_EQ(now.callTexts(), expected);
    EXPECT_EQ(platform::GetPrivateProfileStringA("card", "Source", "?", settings),
              "http://127.0.0.1:5004");

    // The program's handle still reaches the card, now the new one.
    EXPECT_TRUE(win::IsWindow(video));
    now.clearCalls();
    send(kMsgRecordingStop, 1, 0);
    EXPECT_TRUE(win::SetWindowPos(video, 0, 0, 35, 600, 400, win::SWP_NOZORDER));
    card->DVATuneSetChannel(0, 9);
    EXPECT_EQ(now.callTexts(),
              (std::vector<std::string>{"1035(1, 0)", "SetWindowPos(0, 0, 600, 400)",
                                        "DVATuneSetChannel(0, 9)"}));
    EXPECT_TRUE(now.sendCaptionPair(0x94, 0x20)) << "its caption target is the main window";
}

TEST_F(SwitchCard, TheStoredSourceIsTheOneLoadedAtTheNextStart) {
    ASSERT_TRUE(platform::WritePrivateProfileStringA("card", "Source", "dir:/srv/tv", settings));
    loadAsTheProgramDoes();
    EXPECT_EQ(card->source(), "dir:/srv/tv");
    EXPECT_EQ(latest("dir:/srv/tv").tunedChannel(), 8);
}

TEST_F(SwitchCard, ASourceThatCannotLoadLeavesTheDefaultCardPlayingAndSaysWhy) {
    ASSERT_TRUE(platform::WritePrivateProfileStringA("card", "Source", "broken", settings));
    loadAsTheProgramDoes();
    EXPECT_EQ(card->source(), "") << "a bad stored source does not stop the program";

    chosen = "unloadable";
    card->chooseSource();
    ASSERT_EQ(reported, std::vector<std::string>{"Tuner library missing"});
    EXPECT_EQ(card->source(), "");
    EXPECT_EQ(latest("").tunedChannel(), 8) << "the default card took over at once";
    EXPECT_TRUE(win::IsWindow(video));
}

TEST_F(SwitchCard, CancellingTheChoiceChangesNothing) {
    loadAsTheProgramDoes();
    chosen.reset();
    card->chooseSource();
    EXPECT_EQ(made.at("").size(), 1u);
    EXPECT_EQ(platform::GetPrivateProfileStringA("card", "Source", "none", settings), "none");
}

TEST_F(SwitchCard, OffersItsSourceItemAndOutlivesItsWindow) {
    loadAsTheProgramDoes();
    const std::vector<CardMenuItem> items = card->tunerMenuItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].caption, "&Source...");
    const win::HWND inner = latest("").videoWindow();
    win::DestroyWindow(video);
    EXPECT_FALSE(win::IsWindow(inner));
    chosen = "m3u:/srv/tv.m3u";
    items[0].choose();  // no window any more: the card still changes
    EXPECT_EQ(card->source(), "m3u:/srv/tv.m3u");
    card.reset();
}

}  // namespace
