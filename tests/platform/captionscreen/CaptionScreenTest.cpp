// Pair scripts played into a fresh caption screen, compared with the screen
// a receiver would show afterwards (rows numbered 1..15 from the top).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/captionscreen/CaptionScreen.h"
#include "tests/platform/captionscreen/PairScript.h"

namespace {

using captionscreen_test::parsePairScript;
using captionscreen_test::screenWith;
using platform::captionscreen::CaptionScreen;

struct ScreenCase {
    const char* name;
    const char* script;
    std::map<int, std::string> rows;
};

void PrintTo(const ScreenCase& c, std::ostream* os) {
    *os << c.name << ": " << c.script;
}

std::string play(const char* script) {
    CaptionScreen screen;
    for (const auto& [first, second] : parsePairScript(script)) {
        screen.decode(first, second);
    }
    return screen.text();
}

class ScreenAfterPairs : public testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenAfterPairs, ShowsTheExpectedRows) {
    EXPECT_EQ(play(GetParam().script), screenWith(GetParam().rows));
}

std::string caseName(const testing::TestParamInfo<ScreenCase>& info) {
    return info.param.name;
}

// 1470: row 15 column 0; 1472: row 15 column 4; 1340: row 12; 1140: row 1;
// 1040: row 11; 1450: row 14.
const ScreenCase kPopOn[] = {
    {"LoadedCaptionStaysOffScreen", "1420 1470 'HELLO'", {}},
    {"EndOfCaptionShowsIt", "1420 1470 'HELLO' 142f", {{15, "HELLO"}}},
    {"IndentFromAddressCode", "1420 1472 'HI' 142f", {{15, "    HI"}}},
    {"RowsFromAddressCodes",
     "1420 1140 'TOP' 1040 'ELEVEN' 1340 'TWELVE' 1450 'B' 142f",
     {{1, "TOP"}, {11, "ELEVEN"}, {12, "TWELVE"}, {14, "B"}}},
    {"SecondCaptionReplacesFirst", "1420 1470 'ONE' 142f 1420 1450 'TWO' 142f", {{14, "TWO"}}},
    // The memories trade places: the old caption comes back, it is not erased.
    {"EndOfCaptionSwapsMemories",
     "1420 1470 'ONE' 142f 1420 1450 'TWO' 142f 0000 142f",
     {{15, "ONE"}}},
    {"EndOfCaptionWithNothingLoadedBlanksScreen", "1420 1470 'ONE' 142f 0000 142f", {}},
    {"EraseDisplayedMemory", "1420 1470 'ONE' 142f 142c", {}},
    {"EraseDisplayedKeepsLoadingCaption", "1420 1470 'ONE' 142c 142f", {{15, "ONE"}}},
    {"EraseNonDisplayedMemory", "1420 1450 'OLD' 142e 1470 'NEW' 142f", {{15, "NEW"}}},
    {"CarriageReturnIgnored", "1420 1470 'A' 142d 'B' 142f", {{15, "AB"}}},
    {"BackspaceInLoadingCaption", "1420 1470 'ABC' 1421 'D' 142f", {{15, "ABD"}}},
    {"BackspaceAtColumnZeroStays", "1420 1470 1421 'X' 142f", {{15, "X"}}},
};
INSTANTIATE_TEST_SUITE_P(PopOn, ScreenAfterPairs, testing::ValuesIn(kPopOn), caseName);

const ScreenCase kRepeatedControl[] = {
    // Were the copy to act, the second end of caption would swap back to blank.
    {"CopyDropped", "1420 1420 1470 1470 'AB' 142f 142f", {{15, "AB"}}},
    {"NullPairBetweenMakesCopyAct", "1420 1470 'AB' 142f 0000 142f", {}},
    {"CharacterPairBetweenMakesCopyAct", "1420 1470 'ABCD' 1421 'E' 1421 142f", {{15, "ABC"}}},
    {"ThirdCopyActs", "1420 1470 'AB' 142f 142f 142f", {}},
    {"FourCopiesActTwice", "1420 1470 'ABCD' 1421 1421 1421 1421 142f", {{15, "AB"}}},
    {"DamagedFirstCopyLetsSecondAct", "1420 1470 'AB' #142f 142f", {{15, "AB"}}},
    {"DifferentCodesBothAct", "1420 1470 'ABCD' 1421 1721 'X' 142f", {{15, "ABC X"}}},
    {"RepeatedSpecialCharacterDropped", "1420 1470 'A' 1137 1137 'B' 142f", {{15, "A\u266AB"}}},
};
INSTANTIATE_TEST_SUITE_P(RepeatedControl, ScreenAfterPairs, testing::ValuesIn(kRepeatedControl),
                         caseName);

const ScreenCase kRollUp[] = {
    {"StartsOnBottomRow", "1425 'ONE'", {{15, "ONE"}}},
    {"CarriageReturnScrollsOneRow", "1425 'ONE' 142d 'TWO'", {{14, "ONE"}, {15, "TWO"}}},
    {"TwoRowsDropTheTop", "1425 'ONE' 142d 'TWO' 142d 'THREE'", {{14, "TWO"}, {15, "THREE"}}},
    {"ThreeRows", "1426 'A' 142d 'B' 142d 'C' 142d 'D'", {{13, "B"}, {14, "C"}, {15, "D"}}},
    {"FourRows",
     "1427 'A' 142d 'B' 142d 'C' 142d 'D' 142d 'E'",
     {{12, "B"}, {13, "C"}, {14, "D"}, {15, "E"}}},
    {"CarriageReturnLeavesEmptyBaseRow", "1425 'ONE' 142d", {{14, "ONE"}}},
    {"RollUpCodeAgainKeepsRows", "1425 'ONE' 142d 1425 'TWO'", {{14, "ONE"}, {15, "TWO"}}},
    {"FewerRowsEraseTheTop", "1427 'A' 142d 'B' 142d 'C' 142d 'D' 1425", {{14, "C"}, {15, "D"}}},
    {"EnteringErasesPopOnCaption", "1420 1450 'POP' 142f 1425 'ROLL'", {{15, "ROLL"}}},
    {"AddressCodeMovesBaseRowAndWindow", "1425 'ONE' 142d 1340 'TWO'", {{11, "ONE"}, {12, "TWO"}}},
    {"BaseRowMovesDown", "1425 1140 'ONE' 142d 'TWO' 1470 'X'", {{14, "ONE"}, {15, "XWO"}}},
    // Three rows cannot end on row 1: the window stops at rows 1..3.
    {"BaseRowKeepsRoomForWindow", "1426 'A' 142d 'B' 1140 'C'", {{2, "A"}, {3, "C"}}},
    {"GrowingWindowAtTopMovesDown", "1425 1140 'A' 142d 'B' 1427", {{3, "A"}, {4, "B"}}},
    {"ScrollAfterMove", "1425 'ONE' 142d 1340 'TWO' 142d 'SIX'", {{11, "TWO"}, {12, "SIX"}}},
    {"IndentOnBaseRow", "1425 1472 'IN'", {{15, "    IN"}}},
    {"EraseDisplayedMemory", "1425 'ONE' 142d 'TWO' 142c 'X'", {{15, "   X"}}},
};
INSTANTIATE_TEST_SUITE_P(RollUp, ScreenAfterPairs, testing::ValuesIn(kRollUp), caseName);

// 1722: tab two columns; 1424: delete to end of row.
const ScreenCase kPaintOn[] = {
    {"ShowsAtOnce", "1429 1470 'HELLO'", {{15, "HELLO"}}},
    {"BackspaceEditsInPlace", "1429 1470 'HELLO' 1421 'P'", {{15, "HELLP"}}},
    {"DeleteToEndOfRow", "1429 1470 'HELLO' 1470 1722 1424", {{15, "HE"}}},
    {"AddressCodeRepositions", "1429 1470 'HELLO WORLD' 1472 'JELLO'", {{15, "HELLJELLOLD"}}},
    {"KeepsScreenOnEntry", "1420 1450 'POP' 142f 1429 1470 'PAINT'", {{14, "POP"}, {15, "PAINT"}}},
    // The painted caption went off screen with the swap and is built upon.
    {"EndOfCaptionReturnsToPopOn", "1429 1470 'PAINT' 142f 1450 'NEXT'", {}},
    {"PaintedCaptionComesBack",
     "1429 1470 'PAINT' 142f 1450 'NEXT' 142f",
     {{14, "NEXT"}, {15, "PAINT"}}},
};
INSTANTIATE_TEST_SUITE_P(PaintOn, ScreenAfterPairs, testing::ValuesIn(kPaintOn), caseName);

// 147e: row 15 column 28.
const ScreenCase kCursor[] = {
    {"TabOffsets", "1420 1470 1721 'A' 1723 'B' 1722 'C' 142f", {{15, " A   B  C"}}},
    {"TabStopsAtLastColumn", "1420 147e 1723 1722 'X' 142f", {{15, std::string(31, ' ') + "X"}}},
    {"FullRowOverwritesLastColumn",
     "1420 147e 'ABCDEF' 142f",
     {{15, std::string(28, ' ') + "ABCF"}}},
    {"BackspaceAfterFullRowErasesLastColumn",
     "1420 147e 'ABCDEF' 1421 142f",
     {{15, std::string(28, ' ') + "ABC"}}},
    {"MidRowCodeTakesAColumn", "1420 1470 'AB' 1120 'CD' 142f", {{15, "AB CD"}}},
    {"MidRowCodeAtRowStart", "1420 1470 1128 'RED' 142f", {{15, " RED"}}},
};
INSTANTIATE_TEST_SUITE_P(Cursor, ScreenAfterPairs, testing::ValuesIn(kCursor), caseName);

const ScreenCase kCharacters[] = {
    {"StandardSetDepartsFromAscii", "1420 1470 '*\\^_`{|}~' 142f", {{15, "áéíóúç÷Ññ"}}},
    {"SolidBlockCode", "1420 1470 '\x7f' 142f", {{15, "\u2588"}}},
    {"SpecialCharacters",
     "1420 1470 1130 1131 1132 1133 1134 1135 1136 1137 142f",
     {{15, "®°½¿™¢£♪"}}},
    {"SpecialAccents", "1420 1470 1138 113a 113b 113c 113d 113e 113f 142f", {{15, "àèâêîôû"}}},
    {"TransparentSpace", "1420 1470 'A' 1139 'B' 142f", {{15, "A B"}}},
    // The broadcaster sends the plain letter for receivers without the set.
    {"ExtendedReplacesFallback", "1420 1470 'FRANC' 1232 'AIS' 142f", {{15, "FRANÇAIS"}}},
    {"ExtendedRepeatedReplacesOnce", "1420 1470 'FRANC' 1232 1232 'AIS' 142f", {{15, "FRANÇAIS"}}},
    {"ExtendedGermanAndBox", "1420 1470 'STRAS' 1334 'E-' 133c 142f", {{15, "STRAßE┌"}}},
    {"ExtendedAtColumnZero", "1420 1470 1220 'X' 142f", {{15, "ÁX"}}},
    {"ExtendedPunctuation", "1420 1470 ' ' 122e ' ' 122f 'x' 122a 142f", {{15, "“”—"}}},
};
INSTANTIATE_TEST_SUITE_P(Characters, ScreenAfterPairs, testing::ValuesIn(kCharacters), caseName);

// 'A' is c1 and 'e' is e5 with parity; 41 and 65 are the same bits damaged.
const ScreenCase kDamageAndChannels[] = {
    {"BadParityShowsSolidBlock", "1420 1470 #41e5 142f", {{15, "█e"}}},
    {"BadParitySecondByte", "1420 1470 #c165 142f", {{15, "A█"}}},
    {"BadParityNullIsBlockToo", "1420 1470 #c100 142f", {{15, "A█"}}},
    {"DamagedControlFirstByteIgnored", "1420 1470 'A' #142f", {}},
    {"DamagedControlSecondByteIgnored", "1420 1470 'A' #94af", {}},
    {"DamagedAddressCodeIgnored", "1420 1470 'AB' #1450 'C' 142f", {{15, "ABC"}}},
    {"EmptyLineIgnored", "1420 1470 'AB' 142f #0000 142f", {{15, "AB"}}},
    {"ChannelTwoControlsIgnored", "1420 1470 'A' 1c2f 1c2c 1420 142f", {{15, "A"}}},
    {"ChannelTwoCharactersIgnored", "1420 1470 'A' 1c20 'XY' 1420 'B' 142f", {{15, "AB"}}},
    {"ChannelTwoCodeBetweenCopiesMakesCopyAct", "1420 1470 'A' 142f 1c20 142f", {}},
    {"TextModeCharactersIgnored", "142a 'TEXT' 1420 1470 'A' 142f", {{15, "A"}}},
    {"ExtendedDataServiceIgnored", "1420 1470 'A' 0101 'B' 142f", {{15, "AB"}}},
};
INSTANTIATE_TEST_SUITE_P(DamageAndChannels, ScreenAfterPairs, testing::ValuesIn(kDamageAndChannels),
                         caseName);

}  // namespace
