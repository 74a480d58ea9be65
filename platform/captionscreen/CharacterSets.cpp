#include "platform/captionscreen/CharacterSets.h"

#include "platform/captionscreen/CaptionCell.h"

namespace platform::captionscreen {

namespace {

// Where the caption set departs from ASCII; every other code is its ASCII self.
char32_t standardDifference(uint8_t code) {
    switch (code) {
        case 0x2A:
            return U'\u00E1';  // á
        case 0x5C:
            return U'\u00E9';  // é
        case 0x5E:
            return U'\u00ED';  // í
        case 0x5F:
            return U'\u00F3';  // ó
        case 0x60:
            return U'\u00FA';  // ú
        case 0x7B:
            return U'\u00E7';  // ç
        case 0x7C:
            return U'\u00F7';  // ÷
        case 0x7D:
            return U'\u00D1';  // Ñ
        case 0x7E:
            return U'\u00F1';  // ñ
        case 0x7F:
            return kSolidBlock;
        default:
            return 0;
    }
}

// 0x11 0x30..0x3F.
constexpr char32_t kSpecial[16] = {
    U'\u00AE',  // 0x30 ®
    U'\u00B0',  // 0x31 °
    U'\u00BD',  // 0x32 ½
    U'\u00BF',  // 0x33 ¿
    U'\u2122',  // 0x34 ™
    U'\u00A2',  // 0x35 ¢
    U'\u00A3',  // 0x36 £
    U'\u266A',  // 0x37 ♪
    U'\u00E0',  // 0x38 à
    0,          // 0x39 transparent space
    U'\u00E8',  // 0x3A è
    U'\u00E2',  // 0x3B â
    U'\u00EA',  // 0x3C ê
    U'\u00EE',  // 0x3D î
    U'\u00F4',  // 0x3E ô
    U'\u00FB',  // 0x3F û
};

// 0x12 0x20..0x3F: Spanish, punctuation and French.
constexpr char32_t kExtended12[32] = {
    U'\u00C1',  // 0x20 Á
    U'\u00C9',  // 0x21 É
    U'\u00D3',  // 0x22 Ó
    U'\u00DA',  // 0x23 Ú
    U'\u00DC',  // 0x24 Ü
    U'\u00FC',  // 0x25 ü
    U'\u2018',  // 0x26 ‘
    U'\u00A1',  // 0x27 ¡
    U'*',       // 0x28 *
    U'\'',      // 0x29 '
    U'\u2014',  // 0x2A —
    U'\u00A9',  // 0x2B ©
    U'\u2120',  // 0x2C ℠
    U'\u2022',  // 0x2D •
    U'\u201C',  // 0x2E “
    U'\u201D',  // 0x2F ”
    U'\u00C0',  // 0x30 À
    U'\u00C2',  // 0x31 Â
    U'\u00C7',  // 0x32 Ç
    U'\u00C8',  // 0x33 È
    U'\u00CA',  // 0x34 Ê
    U'\u00CB',  // 0x35 Ë
    U'\u00EB',  // 0x36 ë
    U'\u00CE',  // 0x37 Î
    U'\u00CF',  // 0x38 Ï
    U'\u00EF',  // 0x39 ï
    U'\u00D4',  // 0x3A Ô
    U'\u00D9',  // 0x3B Ù
    U'\u00F9',  // 0x3C ù
    U'\u00DB',  // 0x3D Û
    U'\u00AB',  // 0x3E «
    U'\u00BB',  // 0x3F »
};

// 0x13 0x20..0x3F: Portuguese, German, Danish and box corners.
constexpr char32_t kExtended13[32] = {
    U'\u00C3',  // 0x20 Ã
    U'\u00E3',  // 0x21 ã
    U'\u00CD',  // 0x22 Í
    U'\u00CC',  // 0x23 Ì
    U'\u00EC',  // 0x24 ì
    U'\u00D2',  // 0x25 Ò
    U'\u00F2',  // 0x26 ò
    U'\u00D5',  // 0x27 Õ
    U'\u00F5',  // 0x28 õ
    U'{',       // 0x29 {
    U'}',       // 0x2A }
    U'\\',      // 0x2B backslash
    U'^',       // 0x2C ^
    U'_',       // 0x2D _
    U'|',       // 0x2E |
    U'~',       // 0x2F ~
    U'\u00C4',  // 0x30 Ä
    U'\u00E4',  // 0x31 ä
    U'\u00D6',  // 0x32 Ö
    U'\u00F6',  // 0x33 ö
    U'\u00DF',  // 0x34 ß
    U'\u00A5',  // 0x35 ¥
    U'\u00A4',  // 0x36 ¤
    U'\u00A6',  // 0x37 ¦
    U'\u00C5',  // 0x38 Å
    U'\u00E5',  // 0x39 å
    U'\u00D8',  // 0x3A Ø
    U'\u00F8',  // 0x3B ø
    U'\u250C',  // 0x3C ┌
    U'\u2510',  // 0x3D ┐
    U'\u2514',  // 0x3E └
    U'\u2518',  // 0x3F ┘
};

}  // namespace

char32_t standardCharacter(uint8_t code) {
    if (code < 0x20 || code > 0x7F) {
        return 0;
    }
    const char32_t different = standardDifference(code);
    return different != 0 ? different : static_cast<char32_t>(code);
}

char32_t specialCharacter(uint8_t second) {
    if (second < 0x30 || second > 0x3F) {
        return 0;
    }
    return kSpecial[second - 0x30];
}

char32_t extendedCharacter(uint8_t first, uint8_t second) {
    if (second < 0x20 || second > 0x3F) {
        return 0;
    }
    if (first == 0x12) {
        return kExtended12[second - 0x20];
    }
    if (first == 0x13) {
        return kExtended13[second - 0x20];
    }
    return 0;
}

}  // namespace platform::captionscreen
