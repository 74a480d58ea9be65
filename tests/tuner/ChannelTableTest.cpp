#include <gtest/gtest.h>

#include <string>

#include "tests/tuner/FakeSettings.h"
#include "tuner/ChannelTable.h"

namespace {

void restore(int32_t n, FakeSettings& settings) {
    g_nChannels = n;
    RestoreChannels(settings.reader());
}

TEST(ChannelTableRestore, NoKeysPutsEveryChannelInUse) {
    FakeSettings settings;
    restore(62, settings);
    ASSERT_EQ(g_bChannels.count(), 62);
    EXPECT_EQ(ChannelFlagText(), std::string(62, '1'));
}

TEST(ChannelTableRestore, SingleZeroSkipsOnlyChannelOne) {
    FakeSettings settings;
    settings.values["Channels1"] = "0";
    restore(62, settings);
    EXPECT_FALSE(g_bChannels.at(1));
    for (int32_t i = 2; i <= 62; ++i) {
        EXPECT_TRUE(g_bChannels.at(i)) << "channel " << i;
    }
}

TEST(ChannelTableRestore, ShortValueMovesLaterKeysForward) {
    // Positions count in the joined text: a 2-character Channels1 makes the
    // first character of Channels2 channel 3, not channel 33.
    FakeSettings settings;
    settings.values["Channels1"] = "11";
    settings.values["Channels2"] = "0";
    restore(40, settings);
    EXPECT_FALSE(g_bChannels.at(3));
    EXPECT_TRUE(g_bChannels.at(33));
}

TEST(ChannelTableRestore, OnlyZeroClearsAFlag) {
    FakeSettings settings;
    settings.values["Channels1"] = "0x 10";
    restore(6, settings);
    EXPECT_EQ(ChannelFlagText(), "011101");
}

TEST(ChannelTableSave, FortyChannelsSplitOverTwoKeys) {
    FakeSettings settings;
    restore(40, settings);
    g_bChannels.setAll(false);
    g_bChannels.set(1, true);
    g_bChannels.set(3, true);
    g_bChannels.set(40, true);
    SaveChannels(settings.writer());

    ASSERT_EQ(settings.writes.size(), 4u);
    EXPECT_EQ(settings.writes[0],
              std::make_pair(std::string("Channels1"), "101" + std::string(29, '0')));
    EXPECT_EQ(settings.writes[1],
              std::make_pair(std::string("Channels2"), std::string(7, '0') + "1"));
    EXPECT_EQ(settings.writes[2], std::make_pair(std::string("Channels3"), std::string()));
    EXPECT_EQ(settings.writes[3], std::make_pair(std::string("Channels4"), std::string()));

    const std::string saved = ChannelFlagText();
    restore(40, settings);
    EXPECT_EQ(ChannelFlagText(), saved);
}

TEST(ChannelTableSave, ChannelsPast128AreNotStoredAndComeBackInUse) {
    FakeSettings settings;
    restore(130, settings);
    g_bChannels.setAll(false);
    SaveChannels(settings.writer());
    for (const char* key : kChannelKeys) {
        EXPECT_EQ(settings.values[key], std::string(32, '0')) << key;
    }
    restore(130, settings);
    EXPECT_FALSE(g_bChannels.at(128));
    EXPECT_TRUE(g_bChannels.at(129));
    EXPECT_TRUE(g_bChannels.at(130));
}

TEST(ChannelTableSmall, StartChannelStaysInsideTheTable) {
    EXPECT_EQ(StartChannel(62), 3);
    EXPECT_EQ(StartChannel(3), 3);
    EXPECT_EQ(StartChannel(2), 1);
    EXPECT_EQ(StartChannel(1), 1);
    EXPECT_EQ(StartChannel(0), 0);
    EXPECT_EQ(StartChannel(-32768), 0);
}

TEST(ChannelTableSmall, NegativeCountGivesAnEmptyTableAndEmptyKeys) {
    FakeSettings settings;
    settings.values["Channels1"] = "1111";
    restore(-1, settings);
    EXPECT_EQ(g_bChannels.count(), 0);
    SaveChannels(settings.writer());
    ASSERT_EQ(settings.writes.size(), 4u);
    for (const auto& write : settings.writes) {
        EXPECT_EQ(write.second, "") << write.first;
    }
}

TEST(ChannelTableSmall, NumbersOutsideTheTableAreIgnored) {
    FakeSettings settings;
    restore(2, settings);
    g_bChannels.set(0, false);
    g_bChannels.set(3, false);
    g_bChannels.set(-7, false);
    EXPECT_EQ(ChannelFlagText(), "11");
    EXPECT_FALSE(g_bChannels.at(0));
    EXPECT_FALSE(g_bChannels.at(3));
}

}  // namespace
