// What the painter relies on beyond the text: cell attributes, the change
// counter, and the parity check the decoder applies to every byte.
#include <gtest/gtest.h>

#include <bitset>

#include "platform/captionscreen/CaptionScreen.h"
#include "platform/captionscreen/Parity.h"
#include "tests/platform/captionscreen/PairScript.h"

namespace {

using captionscreen_test::parsePairScript;
using platform::captionscreen::CaptionScreen;
using platform::captionscreen::Cell;
using platform::captionscreen::Colour;

void play(CaptionScreen& screen, const char* script) {
    for (const auto& [first, second] : parsePairScript(script)) {
        screen.decode(first, second);
    }
}

TEST(Parity, MatchesCountedBitsForEveryByte) {
    for (int byte = 0; byte < 256; ++byte) {
        const bool odd = std::bitset<8>(static_cast<unsigned>(byte)).count() % 2 == 1;
        EXPECT_EQ(platform::captionscreen::hasOddParity(static_cast<uint8_t>(byte)), odd)
            << byte;
    }
}

struct AttributeCase {
    const char* name;
    const char* script;  // ends with the character looked at, on row 15
    int column;
    Colour colour;
    bool italic;
    bool underline;
};

void PrintTo(const AttributeCase& c, std::ostream* os) {
    *os << c.name << ": " << c.script;
}

class CellAttributes : public testing::TestWithParam<AttributeCase> {};

TEST_P(CellAttributes, FollowTheCodes) {
    CaptionScreen screen;
    play(screen, GetParam().script);
    play(screen, "142f");
    const Cell& cell = screen.displayed()[14][GetParam().column];
    EXPECT_FALSE(cell.isEmpty());
    EXPECT_EQ(cell.colour, GetParam().colour);
    EXPECT_EQ(cell.italic, GetParam().italic);
    EXPECT_EQ(cell.underline, GetParam().underline);
}

const AttributeCase kAttributes[] = {
    {"PlainAddress", "1420 1470 'A'", 0, Colour::White, false, false},
    {"AddressUnderline", "1420 1471 'A'", 0, Colour::White, false, true},
    {"AddressGreen", "1420 1462 'A'", 0, Colour::Green, false, false},
    {"AddressMagentaUnderline", "1420 146d 'A'", 0, Colour::Magenta, false, true},
    {"AddressItalics", "1420 146e 'A'", 0, Colour::White, true, false},
    {"AddressIndentIsWhite", "1420 1468 1472 'A'", 4, Colour::White, false, false},
    {"MidRowColour", "1420 1470 'A' 1124 'B'", 2, Colour::Blue, false, false},
    {"MidRowColourEndsItalics", "1420 146e 'A' 1128 'B'", 2, Colour::Red, false, false},
    {"MidRowItalicsKeepsColour", "1420 1470 1122 112e 'B'", 2, Colour::Green, true, false},
    {"MidRowUnderlineOff", "1420 1471 'A' 1120 'B'", 2, Colour::White, false, false},
    {"MidRowSpaceTakesNewAttributes", "1420 1470 'A' 112b", 1, Colour::Yellow, false, true},
    {"NewAddressResetsMidRow", "1420 1470 1128 1450 1470 'A'", 0, Colour::White, false, false},
    {"ExtendedKeepsAttributes", "1420 1462 'U' 1224", 0, Colour::Green, false, false},
};
INSTANTIATE_TEST_SUITE_P(Codes, CellAttributes, testing::ValuesIn(kAttributes),
                         [](const auto& info) { return std::string(info.param.name); });

// The video window repaints when the counter moves: it must move for every
// visible change and stay put otherwise.
struct ChangeCase {
    const char* name;
    const char* before;  // played first, counter read after it
    const char* pairs;   // then these
    uint64_t advances;
};

void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name << ": " << c.before << " | " << c.pairs;
}

class ChangeCounter : public testing::TestWithParam<ChangeCase> {};

TEST_P(ChangeCounter, AdvancesOnlyForDisplayedChanges) {
    CaptionScreen screen;
    play(screen, GetParam().before);
    const uint64_t start = screen.changed();
    play(screen, GetParam().pairs);
    EXPECT_EQ(screen.changed() - start, GetParam().advances);
}

const ChangeCase kChanges[] = {
    {"LoadingOffScreen", "1420 1470", "'HELLO' 1450 'X' 1421 142e", 0},
    {"EndOfCaption", "1420 1470 'HELLO'", "142f", 1},
    {"EndOfCaptionSameCaption", "1420 1470 'A' 142f 1470 'A'", "142f", 0},
    {"EraseEmptyScreen", "", "142c 0000 142c", 0},
    {"EraseShownCaption", "1420 1470 'A' 142f", "142c", 1},
    {"PaintOnOncePerPair", "1429 1470", "'AB' 'C'", 2},
    {"PaintOnSameCharacterAgain", "1429 1470 'A' 1470", "'A'", 0},
    {"CopyAndNulls", "1420 1470 'A' 142f", "142f 0000 0000", 0},
    {"RollUpScroll", "1425 'ONE'", "142d", 1},
    {"RollUpMoveEmptyWindow", "1425", "1140", 0},
    {"RollUpMoveWindow", "1425 'A'", "1140", 1},
    {"ChannelTwoText", "1429 1470 'A' 1c29 1c70", "'XYZ'", 0},
};
INSTANTIATE_TEST_SUITE_P(Pairs, ChangeCounter, testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CaptionScreenInit, ClearsScreenAndReturnsToPopOnChannelOne) {
    CaptionScreen screen;
    play(screen, "1429 1c20 'X'");  // paint-on, then channel 2 selected
    screen.init();
    EXPECT_EQ(screen.mode(), platform::captionscreen::CaptionMode::PopOn);
    play(screen, "'A'");  // channel 1 again, built off screen at the bottom left
    EXPECT_TRUE(screen.displayed()[14][0].isEmpty());
    play(screen, "142f");
    EXPECT_EQ(screen.displayed()[14][0].ch, U'A');

    play(screen, "1425");
    const uint64_t before = screen.changed();
    screen.init();
    EXPECT_EQ(screen.changed(), before);  // nothing was on screen

    play(screen, "1429 1470 'B'");
    const uint64_t shown = screen.changed();
    screen.init();
    EXPECT_EQ(screen.changed(), shown + 1);
    EXPECT_TRUE(screen.displayed()[14][0].isEmpty());
    EXPECT_EQ(screen.rollUpRows(), 0);
}

}  // namespace
