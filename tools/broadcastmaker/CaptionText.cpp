#include "tools/broadcastmaker/CaptionText.h"

#include <array>
#include <cstdio>

namespace tools::broadcast {

namespace {

constexpr uint8_t kMisc = 0x14;
constexpr uint8_t kMidRowSet = 0x11;
constexpr uint8_t kItalics = 0x2E;  // mid-row: white italics
constexpr uint8_t kPlain = 0x20;    // mid-row: white

struct Mapped {
    char32_t codePoint;
    Cell cell;
};

Cell basic(char c) {
    return {Cell::Kind::Basic, 0, static_cast<uint8_t>(c), 0};
}
Cell special(uint8_t code) {
    return {Cell::Kind::Special, kMidRowSet, code, 0};
}
Cell extended(uint8_t set, uint8_t code, char fallback) {
    return {Cell::Kind::Extended, set, code, static_cast<uint8_t>(fallback)};
}

// Where the line-21 character sets differ from ASCII or go beyond it.
const std::array kCharacters{
    // Basic set: these bytes are not their ASCII characters.
    Mapped{U'á', basic(0x2A)},
    Mapped{U'é', basic(0x5C)},
    Mapped{U'í', basic(0x5E)},
    Mapped{U'ó', basic(0x5F)},
    Mapped{U'ú', basic(0x60)},
    Mapped{U'ç', basic(0x7B)},
    Mapped{U'÷', basic(0x7C)},
    Mapped{U'Ñ', basic(0x7D)},
    Mapped{U'ñ', basic(0x7E)},
    Mapped{U'█', basic(0x7F)},
    // Typographic marks a transcript may carry, sent as their plain forms.
    Mapped{U'‘', basic('\'')},
    Mapped{U'’', basic('\'')},
    Mapped{U'“', basic('"')},
    Mapped{U'”', basic('"')},
    Mapped{U'–', basic('-')},
    Mapped{U'\u00A0', basic(' ')},
    // Special characters.
    Mapped{U'®', special(0x30)},
    Mapped{U'°', special(0x31)},
    Mapped{U'½', special(0x32)},
    Mapped{U'¿', special(0x33)},
    Mapped{U'™', special(0x34)},
    Mapped{U'¢', special(0x35)},
    Mapped{U'£', special(0x36)},
    Mapped{U'♪', special(0x37)},
    Mapped{U'à', special(0x38)},
    Mapped{U'è', special(0x3A)},
    Mapped{U'â', special(0x3B)},
    Mapped{U'ê', special(0x3C)},
    Mapped{U'î', special(0x3D)},
    Mapped{U'ô', special(0x3E)},
    Mapped{U'û', special(0x3F)},
    // Extended Spanish, French and miscellaneous characters.
    Mapped{U'Á', extended(0x12, 0x20, 'A')},
    Mapped{U'É', extended(0x12, 0x21, 'E')},
    Mapped{U'Ó', extended(0x12, 0x22, 'O')},
    Mapped{U'Ú', extended(0x12, 0x23, 'U')},
    Mapped{U'Ü', extended(0x12, 0x24, 'U')},
    Mapped{U'ü', extended(0x12, 0x25, 'u')},
    Mapped{U'¡', extended(0x12, 0x27, '!')},
    Mapped{U'*', extended(0x12, 0x28, '.')},
    Mapped{U'—', extended(0x12, 0x2A, '-')},
    Mapped{U'©', extended(0x12, 0x2B, 'c')},
    Mapped{U'℠', extended(0x12, 0x2C, ' ')},
    Mapped{U'•', extended(0x12, 0x2D, '.')},
    Mapped{U'À', extended(0x12, 0x30, 'A')},
    Mapped{U'Â', extended(0x12, 0x31, 'A')},
    Mapped{U'Ç', extended(0x12, 0x32, 'C')},
    Mapped{U'È', extended(0x12, 0x33, 'E')},
    Mapped{U'Ê', extended(0x12, 0x34, 'E')},
    Mapped{U'Ë', extended(0x12, 0x35, 'E')},
    Mapped{U'ë', extended(0x12, 0x36, 'e')},
    Mapped{U'Î', extended(0x12, 0x37, 'I')},
    Mapped{U'Ï', extended(0x12, 0x38, 'I')},
    Mapped{U'ï', extended(0x12, 0x39, 'i')},
    Mapped{U'Ô', extended(0x12, 0x3A, 'O')},
    Mapped{U'Ù', extended(0x12, 0x3B, 'U')},
    Mapped{U'ù', extended(0x12, 0x3C, 'u')},
    Mapped{U'Û', extended(0x12, 0x3D, 'U')},
    Mapped{U'«', extended(0x12, 0x3E, '"')},
    Mapped{U'»', extended(0x12, 0x3F, '"')},
    // Extended Portuguese, German and Danish characters.
    Mapped{U'Ã', extended(0x13, 0x20, 'A')},
    Mapped{U'ã', extended(0x13, 0x21, 'a')},
    Mapped{U'Í', extended(0x13, 0x22, 'I')},
    Mapped{U'Ì', extended(0x13, 0x23, 'I')},
    Mapped{U'ì', extended(0x13, 0x24, 'i')},
    Mapped{U'Ò', extended(0x13, 0x25, 'O')},
    Mapped{U'ò', extended(0x13, 0x26, 'o')},
    Mapped{U'Õ', extended(0x13, 0x27, 'O')},
    Mapped{U'õ', extended(0x13, 0x28, 'o')},
    Mapped{U'{', extended(0x13, 0x29, '(')},
    Mapped{U'}', extended(0x13, 0x2A, ')')},
    Mapped{U'\\', extended(0x13, 0x2B, '/')},
    Mapped{U'^', extended(0x13, 0x2C, '\'')},
    Mapped{U'_', extended(0x13, 0x2D, '-')},
    Mapped{U'~', extended(0x13, 0x2F, '-')},
    Mapped{U'Ä', extended(0x13, 0x30, 'A')},
    Mapped{U'ä', extended(0x13, 0x31, 'a')},
    Mapped{U'Ö', extended(0x13, 0x32, 'O')},
    Mapped{U'ö', extended(0x13, 0x33, 'o')},
    Mapped{U'ß', extended(0x13, 0x34, 's')},
    Mapped{U'¥', extended(0x13, 0x35, 'Y')},
    Mapped{U'¤', extended(0x13, 0x36, ' ')},
    Mapped{U'Å', extended(0x13, 0x38, 'A')},
    Mapped{U'å', extended(0x13, 0x39, 'a')},
    Mapped{U'Ø', extended(0x13, 0x3A, 'O')},
    Mapped{U'ø', extended(0x13, 0x3B, 'o')},
};

// ASCII characters whose byte the basic set gives to another character.
bool isTakenAscii(char32_t c) {
    return c == U'*' || c == U'\\' || c == U'^' || c == U'_' || c == U'`' || c == U'{' ||
           c == U'|' || c == U'}' || c == U'~';
}

struct Glyph {
    Cell cell;
    bool italic = false;
    bool space = false;
};

using Glyphs = std::vector<Glyph>;

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns false on a
// malformed sequence.
bool nextCodePoint(std::string_view text, size_t& pos, char32_t& out) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    size_t length = 0;
    if (lead < 0x80) {
        out = lead;
        length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
        out = lead & 0x1F;
        length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        out = lead & 0x0F;
        length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        out = lead & 0x07;
        length = 4;
    } else {
        return false;
    }
    if (pos + length > text.size()) {
        return false;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return false;
        }
        out = (out << 6) | (byte(pos + i) & 0x3F);
    }
    pos += length;
    return true;
}

platform::Result<Cell> cellFor(char32_t c) {
    for (const Mapped& m : kCharacters) {
        if (m.codePoint == c) {
            return m.cell;
        }
    }
    if (c >= 0x20 && c < 0x7F && !isTakenAscii(c)) {
        return basic(static_cast<char>(c));
    }
    char name[16] = {};
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return platform::Error{std::string("character ") + name + " has no line-21 form"};
}

// The text split at "|" into hard rows of glyphs, tags applied.
platform::Result<std::vector<Glyphs>> parseGlyphs(std::string_view text) {
    std::vector<Glyphs> rows(1);
    bool italic = false;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos, 3) == "<i>") {
            italic = true;
            pos += 3;
            continue;
        }
        if (text.substr(pos, 4) == "</i>") {
            italic = false;
            pos += 4;
            continue;
        }
        if (text[pos] == '|') {
            rows.emplace_back();
            ++pos;
            continue;
        }
        char32_t c = 0;
        if (!nextCodePoint(text, pos, c)) {
            return platform::Error{"not UTF-8 text"};
        }
        platform::Result<Cell> cell = cellFor(c);
        if (!cell) {
            return platform::Error{cell.message()};
        }
        const bool space = c == U' ' || c == U'\u00A0';
        rows.back().push_back({cell.value(), italic, space});
    }
    return rows;
}

Cell midRow(uint8_t code) {
    return {Cell::Kind::MidRow, kMidRowSet, code, 0};
}

bool isPlainSpace(const Cell& c) {
    return c.kind == Cell::Kind::Basic && c.code == ' ';
}

// The row's columns with mid-row codes where italics begin and end. A
// mid-row code shows as a blank, so it takes the place of a space next to it
// when there is one.
CaptionRow buildRow(const Glyphs& glyphs, Align align) {
    CaptionRow row;
    if (!glyphs.empty() && glyphs.front().italic) {
        if (align == Align::Left) {
            row.italicPac = true;
        } else {
            row.cells.push_back(midRow(kItalics));
        }
    }
    for (size_t k = 0; k < glyphs.size(); ++k) {
        const Glyph& g = glyphs[k];
        if (k > 0 && g.italic != glyphs[k - 1].italic) {
            if (g.italic) {
                if (isPlainSpace(row.cells.back())) {
                    row.cells.back() = midRow(kItalics);
                } else {
                    row.cells.push_back(midRow(kItalics));
                }
            } else {
                row.cells.push_back(midRow(kPlain));
                if (g.space) {
                    continue;
                }
            }
        }
        row.cells.push_back(g.cell);
    }
    const int width = static_cast<int>(row.cells.size());
    row.column = align == Align::Centre && width < kColumns ? (kColumns - width) / 2 : 0;
    return row;
}

Glyphs trimSpaces(Glyphs g) {
    while (!g.empty() && g.back().space) {
        g.pop_back();
    }
    size_t lead = 0;
    while (lead < g.size() && g[lead].space) {
        ++lead;
    }
    g.erase(g.begin(), g.begin() + static_cast<std::ptrdiff_t>(lead));
    return g;
}

// Splits a hard row into rows that fit, breaking at spaces.
platform::Result<std::vector<CaptionRow>> wrapRow(const Glyphs& hardRow, Align align) {
    std::vector<Glyphs> words(1);
    for (const Glyph& g : hardRow) {
        if (g.space) {
            words.emplace_back();
        } else {
            words.back().push_back(g);
        }
    }
    std::vector<CaptionRow> rows;
    Glyphs current;
    Glyph separator;
    for (size_t w = 0; w < words.size(); ++w) {
        if (words[w].empty()) {
            continue;
        }
        Glyphs candidate = current;
        if (!candidate.empty()) {
            // The space keeps the italics of the text around it.
            separator = {basic(' '), candidate.back().italic && words[w].front().italic, true};
            candidate.push_back(separator);
        }
        candidate.insert(candidate.end(), words[w].begin(), words[w].end());
        if (static_cast<int>(buildRow(candidate, align).cells.size()) <= kColumns) {
            current = std::move(candidate);
            continue;
        }
        if (current.empty() ||
            static_cast<int>(buildRow(words[w], align).cells.size()) > kColumns) {
            return platform::Error{"a word is longer than a caption row of " +
                                   std::to_string(kColumns) + " columns"};
        }
        rows.push_back(buildRow(current, align));
        current = words[w];
    }
    if (!current.empty()) {
        rows.push_back(buildRow(trimSpaces(current), align));
    }
    return rows;
}

struct PacRow {
    uint8_t first;
    uint8_t base;
};

// The preamble address code's first byte and second-byte base for rows 1 to 15.
constexpr std::array<PacRow, 15> kPacRows{{
    {0x11, 0x40},  // row 1
    {0x11, 0x60},  // row 2
    {0x12, 0x40},  // row 3
    {0x12, 0x60},  // row 4
    {0x15, 0x40},  // row 5
    {0x15, 0x60},  // row 6
    {0x16, 0x40},  // row 7
    {0x16, 0x60},  // row 8
    {0x17, 0x40},  // row 9
    {0x17, 0x60},  // row 10
    {0x10, 0x40},  // row 11
    {0x13, 0x40},  // row 12
    {0x13, 0x60},  // row 13
    {0x14, 0x40},  // row 14
    {0x14, 0x60},  // row 15
}};

// Preamble address code of a row (1 to 15) at an indent of 0 to 28 columns,
// or white italics at column 0.
Pair preamble(int row, int indent, bool italics) {
    const PacRow& pac = kPacRows[static_cast<size_t>(row - 1)];
    const uint8_t attribute = italics ? 0x0E : static_cast<uint8_t>(0x10 + indent / 2);
    return {pac.first, static_cast<uint8_t>(pac.base | attribute)};
}

}  // namespace

platform::Result<std::vector<CaptionRow>> layoutCaption(std::string_view text, Align align) {
    platform::Result<std::vector<Glyphs>> hardRows = parseGlyphs(text);
    if (!hardRows) {
        return platform::Error{hardRows.message()};
    }
    std::vector<CaptionRow> rows;
    for (const Glyphs& hardRow : hardRows.value()) {
        platform::Result<std::vector<CaptionRow>> wrapped = wrapRow(hardRow, align);
        if (!wrapped) {
            return platform::Error{wrapped.message()};
        }
        rows.insert(rows.end(), wrapped.value().begin(), wrapped.value().end());
    }
    if (rows.empty()) {
        return platform::Error{"the caption has no text"};
    }
    if (rows.size() > static_cast<size_t>(kMaxRows)) {
        return platform::Error{"the caption needs " + std::to_string(rows.size()) +
                               " rows; at most " + std::to_string(kMaxRows) + " fit"};
    }
    return rows;
}

RowPairs rowPairs(const CaptionRow& row, int screenRow) {
    RowPairs out;
    const auto twice = [](std::vector<Pair>& to, Pair p) {
        to.push_back(p);
        to.push_back(p);
    };
    std::vector<uint8_t> pending;  // basic characters not yet sent, two a pair
    const auto flush = [&]() {
        for (size_t i = 0; i < pending.size(); i += 2) {
            out.text.push_back({pending[i], i + 1 < pending.size() ? pending[i + 1] : uint8_t{0}});
        }
        pending.clear();
    };

    const int indent = row.column / 4 * 4;
    twice(out.place, preamble(screenRow, indent, row.italicPac));
    if (row.column % 4 != 0) {
        twice(out.place, {0x17, static_cast<uint8_t>(0x20 + row.column % 4)});  // tab offset
    }
    for (const Cell& cell : row.cells) {
        switch (cell.kind) {
            case Cell::Kind::Basic:
                pending.push_back(cell.code);
                break;
            case Cell::Kind::Extended:
                // Shown by decoders without the set; the others step back over it.
                pending.push_back(cell.fallback);
                flush();
                twice(out.text, {cell.set, cell.code});
                break;
            case Cell::Kind::Special:
            case Cell::Kind::MidRow:
                flush();
                twice(out.text, {cell.set, cell.code});
                break;
        }
    }
    flush();
    return out;
}

std::vector<Pair> loadingPairs(const std::vector<CaptionRow>& rows) {
    std::vector<Pair> out;
    const auto twice = [&out](Pair p) {
        out.push_back(p);
        out.push_back(p);
    };
    twice({kMisc, 0x20});  // resume caption loading
    twice({kMisc, 0x2E});  // erase non-displayed memory
    const int firstRow = 16 - static_cast<int>(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        const RowPairs pairs = rowPairs(rows[r], firstRow + static_cast<int>(r));
        out.insert(out.end(), pairs.place.begin(), pairs.place.end());
        out.insert(out.end(), pairs.text.begin(), pairs.text.end());
    }
    return out;
}

std::string spokenText(std::string_view text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos, 3) == "<i>") {
            pos += 3;
        } else if (text.substr(pos, 4) == "</i>") {
            pos += 4;
        } else if (text[pos] == '|') {
            out += ' ';
            ++pos;
        } else if (text.substr(pos, 3) == "\u266A") {
            pos += 3;  // a music note is not read out
        } else {
            out += text[pos++];
        }
    }
    return out;
}

}  // namespace tools::broadcast
