#include "tools/broadcastmaker/CaptionText.h"

#include <gtest/gtest.h>

namespace tools::broadcast {
namespace {

std::vector<CaptionRow> layoutOk(std::string_view text, Align align = Align::Centre) {
    platform::Result<std::vector<CaptionRow>> r = layoutCaption(text, align);
    EXPECT_TRUE(r.isOk()) << r.message();
    return r.isOk() ? r.value() : std::vector<CaptionRow>{};
}

Cell only(std::string_view text) {
    const std::vector<CaptionRow> rows = layoutOk(text);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.empty() ? 0u : rows[0].cells.size(), 1u) << text;
    return rows.empty() || rows[0].cells.empty() ? Cell{} : rows[0].cells[0];
}

TEST(CaptionText, CharactersTakeTheirLine21Form) {
    const struct {
        const char* utf8;
        Cell::Kind kind;
        uint8_t set;
        uint8_t code;
        uint8_t fallback;
    } cases[] = {
        {"A", Cell::Kind::Basic, 0, 'A', 0},
        {"#", Cell::Kind::Basic, 0, '#', 0},
        {"\xC3\xA9", Cell::Kind::Basic, 0, 0x5C, 0},              // é
        {"\xC3\xB1", Cell::Kind::Basic, 0, 0x7E, 0},              // ñ
        {"\xC3\xA1", Cell::Kind::Basic, 0, 0x2A, 0},              // á
        {"\xE2\x80\x99", Cell::Kind::Basic, 0, '\'', 0},          // ’
        {"\xC3\xA0", Cell::Kind::Special, 0x11, 0x38, 0},         // à
        {"\xC2\xBD", Cell::Kind::Special, 0x11, 0x32, 0},         // ½
        {"\xE2\x99\xAA", Cell::Kind::Special, 0x11, 0x37, 0},     // ♪
        {"\xC3\xBB", Cell::Kind::Special, 0x11, 0x3F, 0},         // û
        {"\xC3\x9C", Cell::Kind::Extended, 0x12, 0x24, 'U'},      // Ü
        {"\xC3\xB6", Cell::Kind::Extended, 0x13, 0x33, 'o'},      // ö
        {"\xE2\x80\x94", Cell::Kind::Extended, 0x12, 0x2A, '-'},  // —
        // ASCII characters whose bytes the basic set uses for letters.
        {"*", Cell::Kind::Extended, 0x12, 0x28, '.'},
        {"~", Cell::Kind::Extended, 0x13, 0x2F, '-'},
        {"\\", Cell::Kind::Extended, 0x13, 0x2B, '/'},
    };
    for (const auto& c : cases) {
        const Cell cell = only(c.utf8);
        EXPECT_EQ(cell.kind, c.kind) << c.utf8;
        EXPECT_EQ(cell.set, c.set) << c.utf8;
        EXPECT_EQ(cell.code, c.code) << c.utf8;
        EXPECT_EQ(cell.fallback, c.fallback) << c.utf8;
    }
}

TEST(CaptionText, RefusesWhatItCannotShow) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"smile \xF0\x9F\x98\x80", "character U+1F600 has no line-21 form"},
        {"`quoted`", "character U+0060 has no line-21 form"},
        {"caf\xC3", "not UTF-8 text"},
        {"a|b|c|d|e", "the caption needs 5 rows; at most 4 fit"},
        {"abcdefghijklmnopqrstuvwxyz0123456", "a word is longer than a caption row of 32 columns"},
        {" | ", "the caption has no text"},
    };
    for (const auto& c : cases) {
        const platform::Result<std::vector<CaptionRow>> r = layoutCaption(c.text, Align::Centre);
        ASSERT_FALSE(r.isOk()) << c.text;
        EXPECT_EQ(r.message(), c.message);
    }
}

TEST(CaptionText, LongRowsWrapAtSpacesAndAreCentred) {
    // 45 characters: no row of 32 holds it, and the break falls at a space.
    const std::vector<CaptionRow> rows = layoutOk("The quick brown fox jumps over the lazy dogs.");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells.size(), 30u);  // "The quick brown fox jumps over"
    EXPECT_EQ(rows[1].cells.size(), 14u);  // "the lazy dogs."
    EXPECT_EQ(rows[0].column, 1);
    EXPECT_EQ(rows[1].column, 9);
    EXPECT_EQ(rows[1].cells[0].code, 't');
    // Left alignment starts each row at the left edge.
    for (const CaptionRow& r :
         layoutOk("The quick brown fox jumps over the lazy dogs.", Align::Left)) {
        EXPECT_EQ(r.column, 0);
    }
    // A 32-character row fills the screen.
    EXPECT_EQ(layoutOk("abcdefghijklmnopqrstuvwxyz 12345")[0].column, 0);
}

TEST(CaptionText, ItalicsTakeTheColumnOfANeighbouringSpace) {
    const std::vector<CaptionRow> plain = layoutOk("He said never again.");
    const std::vector<CaptionRow> italic = layoutOk("He said <i>never</i> again.");
    ASSERT_EQ(italic.size(), 1u);
    ASSERT_EQ(italic[0].cells.size(), plain[0].cells.size());
    EXPECT_EQ(italic[0].cells[7].kind, Cell::Kind::MidRow);
    EXPECT_EQ(italic[0].cells[7].code, 0x2E);
    EXPECT_EQ(italic[0].cells[13].kind, Cell::Kind::MidRow);
    EXPECT_EQ(italic[0].cells[13].code, 0x20);
    // Without a space beside it the code needs a column of its own.
    EXPECT_EQ(layoutOk("<i>said</i>.")[0].cells.size(), 7u);
    // A row that starts in italics: a mid-row code when centred, the
    // preamble's own italics at the left edge.
    const std::vector<CaptionRow> centred = layoutOk("<i>Music</i>");
    EXPECT_FALSE(centred[0].italicPac);
    EXPECT_EQ(centred[0].cells[0].kind, Cell::Kind::MidRow);
    const std::vector<CaptionRow> left = layoutOk("<i>Music</i>", Align::Left);
    EXPECT_TRUE(left[0].italicPac);
    EXPECT_EQ(left[0].cells.size(), 5u);
    // Italics carry over a row break.
    const std::vector<CaptionRow> two = layoutOk("<i>one|two</i>", Align::Left);
    EXPECT_TRUE(two[1].italicPac);
}

TEST(CaptionText, LoadingPairsSendControlCodesTwice) {
    const std::vector<Pair> pairs = loadingPairs(layoutOk("Hi \xC3\xA0 \xC3\x9C"));  // "Hi à Ü"
    // Six columns centred: column 13, that is indent 12 and one tab offset.
    const std::vector<std::pair<int, int>> expected = {
        {0x14, 0x20}, {0x14, 0x20},  // resume caption loading
        {0x14, 0x2E}, {0x14, 0x2E},  // erase non-displayed memory
        {0x14, 0x76}, {0x14, 0x76},  // row 15, indent 12
        {0x17, 0x21}, {0x17, 0x21},  // tab offset 1
        {'H', 'i'},   {' ', 0},      //
        {0x11, 0x38}, {0x11, 0x38},  // à
        {' ', 'U'},                  // the fallback before the extended character
        {0x12, 0x24}, {0x12, 0x24},  // Ü
    };
    ASSERT_EQ(pairs.size(), expected.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].first, expected[i].first) << i;
        EXPECT_EQ(pairs[i].second, expected[i].second) << i;
    }
    // Rows fill the screen from the bottom: two rows are 14 and 15.
    const std::vector<Pair> two = loadingPairs(layoutOk("a|b", Align::Left));
    EXPECT_EQ(two[4].first, 0x14);
    EXPECT_EQ(two[4].second, 0x50);
    EXPECT_EQ(two[7].first, 0x14);
    EXPECT_EQ(two[7].second, 0x70);
}

TEST(CaptionText, SpokenTextDropsMarkup) {
    EXPECT_EQ(spokenText("Tonight|<i>the weather</i> \xE2\x99\xAA"), "Tonight the weather ");
}

}  // namespace
}  // namespace tools::broadcast
