#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/shell/MessageBox.h"
#include "tests/support/FakeMessageBoxes.h"
#include "tests/tuner/FakeSettings.h"
#include "tests/tuner/LoggingCard.h"
#include "tuner/AutoScan.h"
#include "tuner/ChannelSelection.h"
#include "tuner/ChannelTable.h"

namespace {

struct TextBox final : ChannelBox {
    std::string text = "3";
    std::string channelText() const override { return text; }
    void setChannelText(const std::string& t) override { text = t; }
};

// A table of n channels, all in use unless `inUse` names some, current 3.
class TunerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto card = std::make_unique<LoggingCard>();
        card_ = card.get();
        platform::tv::setCurrentCard(std::move(card));
        table(62);
    }

    void table(int32_t n, std::vector<int32_t> inUse = {}) {
        card_->channelCount = n;
        g_nChannels = n;
        g_nCurChannel = StartChannel(n);
        FakeSettings none;
        RestoreChannels(none.reader());
        if (!inUse.empty()) {
            g_bChannels.setAll(false);
            for (int32_t ch : inUse) {
                g_bChannels.set(ch, true);
            }
        }
    }

    LoggingCard* card_ = nullptr;
    TextBox box_;
    testsupport::FakeMessageBoxes boxes_;
};

using ChannelUpDown = TunerTest;

TEST_F(ChannelUpDown, WrapsAroundAtBothEnds) {
    g_nCurChannel = 62;
    ChannelUp(box_);
    EXPECT_EQ(g_nCurChannel, 1);
    EXPECT_EQ(box_.text, "1");
    ChannelDown(box_);
    EXPECT_EQ(g_nCurChannel, 62);
    EXPECT_EQ(box_.text, "62");
    EXPECT_EQ(card_->tuned, (std::vector<int>{1, 62}));
}

TEST_F(ChannelUpDown, StepsOverChannelsNotInUse) {
    table(62, {2, 5, 60});
    g_nCurChannel = 2;
    ChannelUp(box_);
    ChannelUp(box_);
    ChannelUp(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{5, 60, 2}));
    ChannelDown(box_);
    ChannelDown(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{5, 60, 2, 60, 5}));
}

TEST_F(ChannelUpDown, OnlyTheCurrentChannelInUseRetunesIt) {
    table(62, {3});
    box_.text = "17";  // typed without Go: up and down start from the current channel
    ChannelUp(box_);
    EXPECT_EQ(box_.text, "3");
    ChannelDown(box_);
    EXPECT_EQ(box_.text, "3");
    EXPECT_EQ(card_->tuned, (std::vector<int>{3, 3}));
}

TEST_F(ChannelUpDown, SmallTablesStayInsideOneToN) {
    table(1);
    EXPECT_EQ(g_nCurChannel, 1);
    ChannelUp(box_);
    ChannelDown(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{1, 1}));

    table(2);
    ChannelUp(box_);
    ChannelUp(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{1, 1, 2, 1}));
}

TEST_F(ChannelUpDown, NoChannelsDoesNothing) {
    for (int32_t n : {0, -3}) {
        table(n);
        ChannelUp(box_);
        ChannelDown(box_);
        EXPECT_TRUE(card_->tuned.empty()) << "N = " << n;
        EXPECT_EQ(box_.text, "3");
    }
}

using ChannelGoTest = TunerTest;

TEST_F(ChannelGoTest, BadEntriesAskForAProperNumberAndChangeNothing) {
    for (const char* text : {"0", "abc", "", "63", "-1", "1e1", "2147483648", "62.5x"}) {
        box_.text = text;
        ChannelGo(box_, boxes_);
        EXPECT_EQ(box_.text, text);
    }
    EXPECT_TRUE(card_->tuned.empty());
    EXPECT_EQ(g_nCurChannel, 3);
    ASSERT_EQ(boxes_.shown.size(), 8u);
    for (const testsupport::ShownBox& r : boxes_.shown) {
        EXPECT_EQ(r.text, "Input proper number");
        EXPECT_EQ(r.title, "Cuelark");
        EXPECT_EQ(r.style, platform::shell::MB_OK);  // OK only, no icon
    }
}

TEST_F(ChannelGoTest, TunesTheNumberAndLeavesTheBoxAsTyped) {
    box_.text = " 7 ";
    ChannelGo(box_, boxes_);
    box_.text = "2.5";
    ChannelGo(box_, boxes_);
    box_.text = "3.5";
    ChannelGo(box_, boxes_);
    box_.text = "62";
    ChannelGo(box_, boxes_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{7, 2, 4, 62}));
    EXPECT_EQ(g_nCurChannel, 62);
    EXPECT_EQ(box_.text, "62");
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ChannelGoTest, ChannelNotInUseIsTunedAndUpMovesOnFromIt) {
    table(62, {4, 9});
    box_.text = "6";
    ChannelGo(box_, boxes_);
    ChannelUp(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{6, 9}));
}

TEST_F(ChannelGoTest, NoChannelsRejectsEveryNumber) {
    table(0);
    box_.text = "1";
    ChannelGo(box_, boxes_);
    EXPECT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(card_->tuned.empty());
}

using AutoScanTest = TunerTest;

TEST_F(AutoScanTest, AsksFirstAndNoChangesNothing) {
    table(62, {1, 2, 3});
    boxes_.yesNoAnswer = platform::shell::IDNO;
    AutoScan(boxes_);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    const testsupport::ShownBox& q = boxes_.shown[0];
    EXPECT_EQ(q.text,
              "The channels will be detected automatically. It may take a few minutes. Will you "
              "continue?");
    EXPECT_EQ(q.title, "Auto Scan");
    EXPECT_EQ(q.style & platform::shell::MB_TYPEMASK, platform::shell::MB_YESNO);
    EXPECT_EQ(q.style & platform::shell::MB_DEFMASK, platform::shell::MB_DEFBUTTON1);  // Yes
    EXPECT_EQ(q.style & platform::shell::MB_ICONMASK, 0u);
    EXPECT_EQ(card_->scans, 0);
    EXPECT_EQ(ChannelFlagText(), "111" + std::string(59, '0'));
}

TEST_F(AutoScanTest, FoundChannelsAreTheOnlyStops) {
    card_->stations = {4, 6};
    std::string duringScan;
    card_->beforeScan = [&] { duringScan = ChannelFlagText(); };
    boxes_.yesNoAnswer = platform::shell::IDYES;
    AutoScan(boxes_);
    EXPECT_EQ(duringScan, std::string(62, '0'));  // cleared right before the scan
    EXPECT_EQ(g_nCurChannel, 3);
    EXPECT_TRUE(card_->tuned.empty());  // the scan itself tunes nothing

    ChannelUp(box_);
    ChannelUp(box_);
    ChannelUp(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{4, 6, 4}));
    ChannelDown(box_);
    EXPECT_EQ(g_nCurChannel, 6);
}

TEST_F(AutoScanTest, NothingFoundLeavesOnlyTheCurrentChannel) {
    boxes_.yesNoAnswer = platform::shell::IDYES;
    AutoScan(boxes_);
    ChannelUp(box_);
    ChannelDown(box_);
    EXPECT_EQ(card_->tuned, (std::vector<int>{3, 3}));
}

TEST_F(AutoScanTest, CallbackIgnoresWhatIsNotAFoundChannelOfTheTable) {
    table(62);
    g_bChannels.setAll(false);
    EXPECT_EQ(TunerScanCallBack(0, 0, 1), 1);
    EXPECT_EQ(TunerScanCallBack(-1, 0, 1), 1);
    EXPECT_EQ(TunerScanCallBack(63, 0, 1), 1);
    EXPECT_EQ(TunerScanCallBack(5, 0, 0), 1);
    EXPECT_EQ(TunerScanCallBack(5, 0, 0x10000), 1);      // only the low 16 bits of wFound count
    EXPECT_EQ(TunerScanCallBack(0x10000 + 7, 0, 1), 1);  // a 16-bit channel number: 7
    EXPECT_EQ(TunerScanCallBack(9, 12345, -1), 1);
    EXPECT_EQ(ChannelFlagText(), "000000101" + std::string(53, '0'));
    g_bChannels.set(9, true);
    EXPECT_EQ(TunerScanCallBack(9, 0, 0), 1);  // never clears
    EXPECT_TRUE(g_bChannels.at(9));
}

}  // namespace
