// Channel slots across scans: guide order the first time, known channels
// keep their slots, new ones take the lowest free slot, more than 125 are
// left out and named; the map survives the card's settings file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/ProfileText.h"
#include "platform/tv/stream/SlotMap.h"
#include "tests/support/TempDir.h"

using namespace platform::tv::stream;

namespace {

std::vector<std::string> inGuideOrder(std::vector<std::string> keys) {
    std::sort(keys.begin(), keys.end(),
              [](const std::string& a, const std::string& b) { return guideOrderLess(a, b); });
    return keys;
}

TEST(SlotMap, GuideOrderComparesNumbersPartByPart) {
    const std::vector<std::string> sorted = {"2.1",    "2.2", "2.10", "4",   "10.1",
                                             "10.1.5", "ch9", "CH10", "news"};
    std::vector<std::string> shuffled = {"news", "10.1", "ch9",    "2.10", "CH10",
                                         "4",    "2.2",  "10.1.5", "2.1"};
    EXPECT_EQ(inGuideOrder(shuffled), sorted);
    EXPECT_FALSE(guideOrderLess("2.1", "2.1"));
    EXPECT_NE(guideOrderLess("02.1", "2.1"), guideOrderLess("2.1", "02.1"));
}

TEST(SlotMap, RescansKeepKnownSlotsAndFillTheLowestFree) {
    SlotMap map;
    SlotMap::ScanResult first = map.assign(inGuideOrder({"10.1", "2.10", "2.1", "4.1"}));
    EXPECT_EQ(first.found, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(map.keyAt(1), "2.1");
    EXPECT_EQ(map.keyAt(2), "2.10");
    EXPECT_EQ(map.keyAt(4), "10.1");

    // 2.10 is gone this time (a weak station) and two are new: they take
    // the lowest free slots, and 2.10 keeps its slot for when it is back.
    SlotMap::ScanResult second = map.assign(inGuideOrder({"2.1", "4.1", "10.1", "7.1", "2.5"}));
    EXPECT_EQ(second.found, (std::vector<int>{1, 3, 4, 5, 6}));
    EXPECT_EQ(map.slotOf("2.5"), 5);
    EXPECT_EQ(map.slotOf("7.1"), 6);
    EXPECT_EQ(map.slotOf("2.10"), 2);
    EXPECT_TRUE(second.leftOut.empty());

    // Full up: a new channel takes the lowest slot of one this scan missed;
    // beyond that, channels are left out and said to be.
    std::vector<std::string> many;
    for (int i = 0; i < 124; ++i) {
        many.push_back("50." + std::to_string(i));
    }
    SlotMap::ScanResult third = map.assign(many);
    EXPECT_EQ(third.found.size(), 124u);
    EXPECT_FALSE(map.slotOf("2.1").has_value());  // slot 1 went to a new channel
    many.insert(many.begin(), {"2.1", "2.10"});
    SlotMap::ScanResult fourth = map.assign(many);
    EXPECT_EQ(fourth.found.size(), 125u);
    EXPECT_EQ(fourth.leftOut, (std::vector<std::string>{"2.10"}));
}

TEST(SlotMap, StoredInItsOwnSectionOfTheCardsSettings) {
    SlotMap map;
    map.assign({"2.1", "news = 24h", " padded "});
    const std::string before = "[card]\nSource=http://127.0.0.1:5004\n";
    const platform::Result<std::string> text = map.toText(before);
    ASSERT_TRUE(text.isOk()) << text.message();
    EXPECT_EQ(text.value().substr(0, before.size()), before);
    EXPECT_EQ(platform::findProfileValue(text.value(), "card", "Source"), "http://127.0.0.1:5004");
    const SlotMap back = SlotMap::fromText(text.value());
    EXPECT_EQ(back.keyAt(2), "news = 24h");
    EXPECT_EQ(back.keyAt(3), " padded ");
    EXPECT_EQ(back.keyAt(4), "");
    // Writing an unchanged map changes nothing.
    const platform::Result<std::string> again = back.toText(text.value());
    ASSERT_TRUE(again.isOk());
    EXPECT_EQ(again.value(), text.value());

    testsupport::TempDir dir;
    const std::string ini = dir.file("tvcard.ini");
    ASSERT_TRUE(map.write(ini).isOk());
    const platform::Result<SlotMap> read = SlotMap::read(ini);
    ASSERT_TRUE(read.isOk());
    EXPECT_EQ(read.value().slotOf("news = 24h"), 2);
    // A hand-edited file naming one channel twice keeps the first slot.
    EXPECT_EQ(SlotMap::fromText("[slots]\n3=2.1\n9=2.1\n").slotOf("2.1"), 3);
    // A key the file cannot hold is refused, and the file kept as it was.
    SlotMap bad;
    bad.assign({"a\nb"});
    EXPECT_FALSE(bad.write(ini).isOk());
    EXPECT_EQ(SlotMap::read(ini).value().slotOf("2.1"), 1);
}

}  // namespace
