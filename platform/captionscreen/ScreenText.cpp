#include <string>

#include "platform/captionscreen/CaptionScreen.h"

namespace platform::captionscreen {

namespace {

void appendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

std::string rowText(const Row& row) {
    int end = kColumns;
    while (end > 0 && (row[end - 1].isEmpty() || row[end - 1].ch == U' ')) {
        --end;
    }
    bool anything = false;
    for (const Cell& cell : row) {
        anything = anything || !cell.isEmpty();
    }
    if (!anything) {
        return "~";
    }
    std::string text;
    for (int column = 0; column < end; ++column) {
        appendUtf8(text, row[column].isEmpty() ? U' ' : row[column].ch);
    }
    return text;
}

}  // namespace

std::string CaptionScreen::text() const {
    std::string out;
    for (int row = 0; row < kRows; ++row) {
        if (row > 0) {
            out += '\n';
        }
        out += rowText(displayed()[row]);
    }
    return out;
}

}  // namespace platform::captionscreen
