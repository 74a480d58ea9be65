// Caption pairs in, script rows out: the decoder seen through the script it
// produces.
#include <gtest/gtest.h>

#include <string>

#include "tests/captions/core/CaptionFeed.h"

namespace {

using testsupport::CaptionFeed;

TEST(DecoderBoundaries, EachEraseClosesTheCaptionOnDisplayAndOpensTheLoadedOne) {
    CaptionFeed f;
    f.start();
    f.popOn("HELLO", 300);
    f.popOn("HOW ARE YOU?", 550);
    f.clearAt(725);
    EXPECT_EQ(f.stop(), "300\t550\tHELLO\r\n550\t725\tHOW ARE YOU?\r\n");
}

TEST(DecoderBoundaries, SpacesOnlyCaptionGivesAnEmptyTextColumn) {
    CaptionFeed f;
    f.start();
    // Preamble codes act in every mode, so even before resume caption loading
    // they load a caption of spaces.
    f.preamble();
    f.preamble(0x13);
    f.resumeCaptionLoading();
    f.at(100);
    f.eraseDisplayed();
    f.clearAt(200);
    EXPECT_EQ(f.stop(), "100\t200\t\r\n");
}

TEST(DecoderRepeats, ThreeCopiesOrCopiesApartActTwice) {
    for (const bool nullBetween : {false, true}) {
        CaptionFeed f;
        f.start();
        f.resumeCaptionLoading();
        f.text("A");
        f.at(100);
        f.pair(0x14, 0x2C);
        if (nullBetween) {
            f.pair(0x00, 0x00);
        } else {
            f.pair(0x14, 0x2C);
        }
        f.pair(0x14, 0x2C);
        f.clearAt(200);  // nothing on display any more: no effect
        EXPECT_EQ(f.stop(), "100\t100\tA\r\n") << "null between: " << nullBetween;
    }
}

TEST(DecoderRepeats, PreamblesCountOncePerRepeatedPair) {
    struct Case {
        const char* name;
        void (*between)(CaptionFeed&);
        const char* expected;
    };
    const Case cases[] = {
        {"sent twice", [](CaptionFeed& f) { f.control(0x14, 0x70); }, "A B"},
        {"three copies",
         [](CaptionFeed& f) {
             f.control(0x14, 0x70);
             f.pair(0x14, 0x70);
         },
         "A  B"},
        {"null between",
         [](CaptionFeed& f) {
             f.pair(0x14, 0x70);
             f.pair(0x00, 0x00);
             f.pair(0x14, 0x70);
         },
         "A  B"},
        {"low control byte forgets the pair",
         [](CaptionFeed& f) {
             f.pair(0x14, 0x70);
             f.pair(0x14, 0x10);
             f.pair(0x14, 0x70);
         },
         "A  B"},
        {"other preamble rows",
         [](CaptionFeed& f) {
             f.control(0x11, 0x40);
             f.control(0x17, 0x5F);
             f.control(0x10, 0x6E);
         },
         "A   B"},
        {"0x4F and 0x6F are no preambles",
         [](CaptionFeed& f) {
             f.control(0x14, 0x4F);
             f.control(0x1C, 0x6F);
         },
         "AB"},
    };
    for (const Case& c : cases) {
        CaptionFeed f;
        f.start();
        f.resumeCaptionLoading();
        f.text("A");
        c.between(f);
        f.text("B");
        f.at(100);
        f.eraseDisplayed();
        f.clearAt(200);
        EXPECT_EQ(f.stop(), std::string("100\t200\t") + c.expected + "\r\n") << c.name;
    }
}

TEST(DecoderModes, CharactersAndErasesCountInPopOnModeOnly) {
    struct Case {
        const char* name;
        int32_t modeLow;  // 0: no mode command since init
    };
    for (const Case c : {Case{"none yet", 0}, Case{"roll-up 2", 0x25}, Case{"roll-up 3", 0x26},
                         Case{"roll-up 4", 0x27}, Case{"paint-on", 0x29}}) {
        CaptionFeed f;
        f.start();
        if (c.modeLow != 0) {
            f.control(0x14, c.modeLow);
        }
        // A preamble loads a space in every mode, so a caption is waiting:
        // an erase that acted outside pop-on mode would put it on display.
        f.preamble();
        f.text("LOST");
        f.at(100);
        f.eraseDisplayed();
        f.endOfCaption();
        // Back in pop-on mode only what arrives now is collected.
        f.resumeCaptionLoading();
        f.text("KEPT");
        f.at(200);
        f.eraseDisplayed();
        f.clearAt(300);
        EXPECT_EQ(f.stop(), "200\t300\tKEPT\r\n") << c.name;
    }
}

TEST(DecoderModes, ChannelTwoActsLikeChannelOne) {
    CaptionFeed f;
    f.start();
    f.popOn("ONE", 300, 0x1C);
    f.resumeCaptionLoading(0x1C);
    f.text("TW");
    f.control(0x19, 0x2E);  // mid-row code of channel 2
    f.text("O");
    f.at(550);
    f.eraseDisplayed(0x1C);
    f.at(725);
    f.eraseDisplayed(0x1C);
    EXPECT_EQ(f.stop(), "300\t550\tONE\r\n550\t725\tTW O\r\n");
}

TEST(DecoderCharacters, StandardSetMapsToWindows1252) {
    // Oracle: ASCII, except where the caption set differs.
    auto expectedFor = [](int c) -> int {
        switch (c) {
            case 0x2A:
                return 0xE1;  // á
            case 0x5C:
                return 0xE9;  // é
            case 0x5E:
                return 0xED;  // í
            case 0x5F:
                return 0xF3;  // ó
            case 0x60:
                return 0xFA;  // ú
            case 0x7B:
                return 0xE7;  // ç
            case 0x7C:
                return 0xF7;  // ÷
            case 0x7D:
                return 0xD1;  // Ñ
            case 0x7E:
                return 0xF1;  // ñ
            case 0x7F:
                return 0x88;
            default:
                return c;
        }
    };
    std::string sent;
    std::string expected;
    for (int c = 0x21; c <= 0x7F; ++c) {
        sent += static_cast<char>(c);
        expected += static_cast<char>(static_cast<unsigned char>(expectedFor(c)));
    }
    CaptionFeed f;
    f.start();
    f.resumeCaptionLoading();
    f.text(sent);
    f.at(100);
    f.eraseDisplayed();
    f.clearAt(200);
    EXPECT_EQ(f.stop(), "100\t200\t" + expected + "\r\n");
}

TEST(DecoderCharacters, PairsWithALowFirstByteOrNullHalf) {
    CaptionFeed f;
    f.start();
    f.resumeCaptionLoading();
    f.pair(0x00, 0x41);  // A only
    f.pair(0x41, 0x2A);  // A then á
    f.pair(0x42, 0x00);  // B only
    f.pair(0x0F, 0x43);  // below the control range: a character pair, C only
    f.at(100);
    f.eraseDisplayed();
    f.clearAt(200);
    EXPECT_EQ(f.stop(),
              "100\t200\tAA\xE1"
              "BC\r\n");
}

TEST(DecoderCharacters, SpecialCharactersJoinTheCaptionOnce) {
    struct Special {
        int32_t low;
        const char* ansi;
    };
    const Special table[] = {
        {0x30, "\xAE"}, {0x31, "\xB0"}, {0x32, "\xBD"}, {0x33, "\xBF"},
        {0x34, "\x99"}, {0x35, "\xA2"}, {0x36, "\xA3"}, {0x37, ""},
        {0x38, "\xE0"}, {0x39, " "},    {0x3A, "\xE8"}, {0x3B, "\xE2"},
        {0x3C, "\xEA"}, {0x3D, "\xEE"}, {0x3E, "\xF4"}, {0x3F, "\xFB"},
    };
    for (const int32_t first : {0x11, 0x19}) {
        for (const Special& s : table) {
            CaptionFeed f;
            f.start();
            f.resumeCaptionLoading();
            f.text("x");
            f.control(first, s.low);
            f.text("y");
            f.at(100);
            f.eraseDisplayed();
            f.clearAt(200);
            EXPECT_EQ(f.stop(), std::string("100\t200\tx") + s.ansi + "y\r\n")
                << std::hex << first << " " << s.low;
        }
    }
}

TEST(DecoderCharacters, MidRowCodesTakeTheirPlaceAsASpace) {
    for (int32_t low = 0x20; low <= 0x2F; ++low) {
        CaptionFeed f;
        f.start();
        f.resumeCaptionLoading();
        f.text("GO");
        f.control(0x11, low);
        f.text("ON");
        f.at(100);
        f.eraseDisplayed();
        f.clearAt(200);
        EXPECT_EQ(f.stop(), "100\t200\tGO ON\r\n") << std::hex << low;
    }
}

TEST(DecoderCharacters, ExtendedCharactersAndOtherModesAddNothing) {
    CaptionFeed f;
    f.start();
    f.control(0x14, 0x25);  // roll-up: mid-row codes and specials are not collected
    f.control(0x11, 0x2E);
    f.control(0x11, 0x30);
    f.resumeCaptionLoading();
    f.text("A");
    for (const int32_t first : {0x12, 0x13, 0x1A, 0x1B}) {
        f.control(first, 0x25);
        f.control(first, 0x3F);
    }
    f.text("B");
    f.at(100);
    f.eraseDisplayed();
    f.clearAt(200);
    EXPECT_EQ(f.stop(), "100\t200\tAB\r\n");
}

TEST(DecoderEndOfCaption, FlipsALoadedCaptionOntoTheScreen) {
    // No erase before each end of caption: the flip alone shows the caption
    // and replaces the one on display; the final erase clears the screen.
    CaptionFeed f;
    f.start();
    f.resumeCaptionLoading();
    f.preamble();
    f.text("FIRST");
    f.at(300);
    f.endOfCaption();
    f.preamble();
    f.text("SECOND");
    f.at(550);
    f.endOfCaption();
    f.clearAt(725);
    f.at(800);
    f.endOfCaption();  // nothing loaded: no effect
    EXPECT_EQ(f.stop(), "300\t550\tFIRST\r\n550\t725\tSECOND\r\n");
}

TEST(DecoderEndOfCaption, DoesNothingOutsidePopOnMode) {
    CaptionFeed f;
    f.start();
    f.resumeCaptionLoading();
    f.text("A");
    f.control(0x14, 0x29);  // paint-on
    f.at(100);
    f.endOfCaption();
    f.resumeCaptionLoading();
    f.at(200);
    f.endOfCaption();  // now it shows what was loaded before
    f.clearAt(300);
    EXPECT_EQ(f.stop(), "200\t300\tA\r\n");
}

TEST(DecoderIdle, CaptionsWithoutAScriptAreNotKept) {
    CaptionFeed f;
    f.popOn("BEFORE", 100);  // decoder runs with no script file
    f.start();
    f.clearAt(200);  // the caption shown before the start is not closed into this script
    f.popOn("DURING", 300);
    f.clearAt(400);
    EXPECT_EQ(f.stop(), "300\t400\tDURING\r\n");
}

}  // namespace
