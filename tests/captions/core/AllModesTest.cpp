// With every caption mode recorded: pair sequences of roll-up, paint-on and
// pop-on captions mapped to the rows of the script they give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/captions/core/CaptionFeed.h"

namespace {

using testsupport::CaptionFeed;

// A pair script: "1425" is a pair in hex (data bits, no parity), 'TEXT' its
// characters two a pair, "@300" moves the clock to 300 cs after the start,
// "check" presses Check.
void play(CaptionFeed& f, std::string_view script) {
    std::size_t i = 0;
    while (i < script.size()) {
        if (script[i] == ' ') {
            ++i;
        } else if (script[i] == '\'') {
            const std::size_t end = script.find('\'', i + 1);
            f.text(std::string(script.substr(i + 1, end - i - 1)));
            i = end + 1;
        } else {
            const std::size_t end = std::min(script.find(' ', i), script.size());
            const std::string token(script.substr(i, end - i));
            i = end;
            if (token[0] == '@') {
                f.at(std::stoi(token.substr(1)));
            } else if (token == "check") {
                f.cc.check();
            } else {
                const int pair = std::stoi(token, nullptr, 16);
                f.pair(pair >> 8, pair & 0xFF);
            }
        }
    }
}

std::string rows(const std::vector<std::string>& list) {
    std::string out;
    for (const std::string& row : list) {
        out += row + "\r\n";
    }
    return out;
}

std::string scriptOf(std::string_view pairs) {
    CaptionFeed f;
    f.cc.setAllCaptionModes(true);
    f.start();
    play(f, pairs);
    return f.stop();
}

struct Case {
    const char* name;
    const char* pairs;
    std::vector<std::string> rows;
};

template <std::size_t N>
void expectAll(const Case (&cases)[N]) {
    for (const Case& c : cases) {
        EXPECT_EQ(scriptOf(c.pairs), rows(c.rows)) << c.name << ": " << c.pairs;
    }
}

// Three lines, each carriage return sent twice as broadcasters do, then an
// erase of the screen at 500.
constexpr const char* kThreeLines =
    " 142d 142d 1470 1470 @100 'ONE' @200 142d 142d 1470 1470 'TWO'"
    " @300 142d 142d 1470 1470 'THREE' @400 142d 142d @500 142c 142c";

TEST(AllModesRollUp, EachLineOnceFromItsFirstCharacterUntilItLeavesTheWindow) {
    // Two rows: a line scrolls out with the second carriage return after it.
    // Three and four: the rest is erased together at 500.
    const Case cases[] = {
        {"RU2", "1425 1425", {"100\t300\tONE", "200\t400\tTWO", "300\t500\tTHREE"}},
        {"RU3", "1426 1426", {"100\t400\tONE", "200\t500\tTWO", "300\t500\tTHREE"}},
        {"RU4", "1427 1427", {"100\t500\tONE", "200\t500\tTWO", "300\t500\tTHREE"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scriptOf(std::string(c.pairs) + kThreeLines), rows(c.rows)) << c.name;
    }
}

TEST(AllModesRollUp, EditsWindowChangesAndErasures) {
    // 1472: base row, column 4; 1721: tab one column; 1424: delete to end of
    // row; 1421: backspace; 1340: base row moves to row 12.
    const Case cases[] = {
        {"backspace and delete to end of row",
         "1425 1470 @100 'HELLX' 1421 'O WORLD' 1472 1721 1424 @200 142c",
         {"100\t200\tHELLO"}},
        {"a base-row move takes the lines with it",
         "1425 1470 @100 'ONE' @200 142d 1340 'TWO' @300 142d 'SIX' @400 142c",
         {"100\t300\tONE", "200\t400\tTWO", "300\t400\tSIX"}},
        {"erase in the middle of a line ends it; the rest is a line of its own",
         "1425 1470 @100 'HALF' @200 142c @300 'REST' @400 142d @500 142c",
         {"100\t200\tHALF", "300\t500\tREST"}},
        {"a smaller window drops its top lines",
         "1427 1470 @100 'A' 142d 'B' 142d 'C' @200 1425 @300 142c",
         {"100\t200\tA", "100\t300\tB", "100\t300\tC"}},
        {"an empty line is no row", "1425 1470 @100 142d 142d 1470 1120 @200 142c", {}},
        {"mid-row codes as spaces, special characters as in pop-on",
         "1425 1470 @100 'A' 1120 'B' 1137 'C' 1130 'FRANC' 1232 '\x7f' @200 142c",
         {"100\t200\tA BC\xAE"
          "FRAN\xC7\x88"}},
        {"channel 2 is left alone",
         "1425 1470 @100 'ONE' 1c25 1c2d 1c70 'CC2' 1425 142d 1470 @200 'TWO' @300 142c",
         {"100\t300\tONE", "200\t300\tTWO"}},
    };
    expectAll(cases);
}

TEST(AllModesSwitching, OneRowPerCaptionAcrossModes) {
    const Case cases[] = {
        {"roll-up stays on screen until the pop-on caption replaces it",
         "1425 1470 @100 'ROLL' @200 1420 142e 1470 'POP' @300 142f @400 142c"
         " @500 1425 142d 1470 'AGAIN' @600 142c",
         {"100\t300\tROLL", "300\t400\tPOP", "500\t600\tAGAIN"}},
        // Roll-up preambles load no spaces into the pop-on caption, so the
        // erase in pop-on mode shows no empty caption.
        {"an erase after resume caption loading ends the roll-up line",
         "1425 1470 @100 'ROLL' @200 1420 142c 142e 1470 'POP' @300 142f @400 142c",
         {"100\t200\tROLL", "300\t400\tPOP"}},
        {"switching to roll-up erases the pop-on caption",
         "1420 1470 'POP' @100 142f @200 1425 142d 1470 @300 'ROLL' @400 142c",
         {"100\t200\tPOP", "300\t400\tROLL"}},
        {"paint-on over a roll-up line replaces it, and only what is painted counts",
         "1425 1470 @100 'THREE ROWS NOW' @200 1429 1470 'PAINT ON' @300 142c",
         {"100\t200\tTHREE ROWS NOW", "200\t300\tPAINT ON"}},
    };
    expectAll(cases);
}

TEST(AllModesPaintOn, OneRowPerCaptionFromFirstPaintedCharacterToErasure) {
    // 1450: row 14; 1470: row 15; 1722: tab two columns.
    const Case cases[] = {
        {"rows joined by a space, edits in place",
         "1429 1450 @100 'HELLO' 1470 'WORLX' 1421 'D' 1470 1722 'Y' @200 142c",
         {"100\t200\tHELLO WOYLD"}},
        {"delete to end of row",
         "1429 1470 @100 'GOOD BYE' 1472 1424 @200 142c",
         {"100\t200\tGOOD"}},
        {"each erase ends one caption",
         "1429 1470 @100 'ONE' @200 142c 1470 @300 'TWO' @400 142c 142c",
         {"100\t200\tONE", "300\t400\tTWO"}},
        {"a pop-on caption replaces it at its end of caption",
         "1429 1470 @100 'PAINT' @200 1420 142e 1470 'POP' @300 142f @400 142c",
         {"100\t300\tPAINT", "300\t400\tPOP"}},
    };
    expectAll(cases);
}

TEST(AllModesChecks, APressMarksTheRowBeforeTheLineCurrentAtThePress) {
    const Case cases[] = {
        {"roll-up: the line on the base row",
         "1425 1470 @100 'ONE' 142d 'TWO' check 142d 'THREE' 142d 142c",
         {"100\t100\tONE\t1", "100\t100\tTWO", "100\t100\tTHREE"}},
        {"roll-up: after a carriage return, still the line just written",
         "1425 1470 @100 'ONE' 142d 'TWO' 142d check 'THREE' 142d 142c",
         {"100\t100\tONE\t1", "100\t100\tTWO", "100\t100\tTHREE"}},
        {"paint-on: the caption being painted",
         "1429 1470 @100 'ONE' 142c 'TWO' check 142c 'SIX' 142c",
         {"100\t100\tONE\t1", "100\t100\tTWO", "100\t100\tSIX"}},
        {"pop-on after roll-up: the caption on display",
         "1425 1470 @100 'ROLL' 1420 1470 'POP' 142f check 142c",
         {"100\t100\tROLL\t1", "100\t100\tPOP"}},
    };
    expectAll(cases);
}

TEST(AllModesScript, TheChoiceCountsFromTheNextScript) {
    CaptionFeed f;
    f.start();
    f.cc.setAllCaptionModes(true);  // during a recording: not yet
    play(f, "1425 1470 @100 'NOT YET' @200 142c");
    // The screen is followed from the choice on: the next recording knows
    // it is in roll-up style without another roll-up code.
    EXPECT_EQ(f.stop(), "");
    f.start("second.txt", 2);
    play(f, "142d @100 'NOW' @200 142c @300 'OPEN AT THE STOP'");
    EXPECT_EQ(f.stop("second.txt", 2), rows({"100\t200\tNOW"}));

    // Off again: today's script, roll-up left out.
    f.cc.setAllCaptionModes(false);
    f.start("third.txt", 3);
    play(f, "1425 142d 1470 @100 'GONE' @200 142c 1420 1470 'KEPT' @300 142f @400 142c");
    EXPECT_EQ(f.stop("third.txt", 3), rows({"300\t400\tKEPT"}));
}

}  // namespace
