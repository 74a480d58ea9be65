#include "captions/CaptionChars.h"

#include <array>

namespace {

struct CharEntry {
    int32_t caption;
    int32_t ansi;
};

// The standard set differs from ASCII in these places only.
constexpr std::array<CharEntry, 10> kStandardDifferences{{
    {0x2A, 0xE1},  // á
    {0x5C, 0xE9},  // é
    {0x5E, 0xED},  // í
    {0x5F, 0xF3},  // ó
    {0x60, 0xFA},  // ú
    {0x7B, 0xE7},  // ç
    {0x7C, 0xF7},  // ÷
    {0x7D, 0xD1},  // Ñ
    {0x7E, 0xF1},  // ñ
    {0x7F, 0x88},  // solid block; the code it has always been written as
}};

constexpr int32_t kNone = -1;

// Indexed by the second byte minus 0x30.
constexpr std::array<int32_t, 16> kSpecial{{
    0xAE,   // 0x30 ®
    0xB0,   // 0x31 °
    0xBD,   // 0x32 ½
    0xBF,   // 0x33 ¿
    0x99,   // 0x34 ™
    0xA2,   // 0x35 ¢
    0xA3,   // 0x36 £
    kNone,  // 0x37 ♪, not in Windows-1252
    0xE0,   // 0x38 à
    0x20,   // 0x39 transparent space
    0xE8,   // 0x3A è
    0xE2,   // 0x3B â
    0xEA,   // 0x3C ê
    0xEE,   // 0x3D î
    0xF4,   // 0x3E ô
    0xFB,   // 0x3F û
}};

// The screen's characters outside Latin-1 that Windows-1252 has.
struct ScreenEntry {
    char32_t unicode;
    int32_t ansi;
};
constexpr std::array<ScreenEntry, 7> kScreenBeyondLatin1{{
    {U'\u2588', 0x88},  // solid block, written as the standard set's 0x7F is
    {U'\u2122', 0x99},  // ™
    {U'\u2018', 0x91},  // ‘
    {U'\u201C', 0x93},  // “
    {U'\u201D', 0x94},  // ”
    {U'\u2022', 0x95},  // •
    {U'\u2014', 0x97},  // —
}};

}  // namespace

int32_t MapCaptionChar(int32_t code) {
    for (const CharEntry& entry : kStandardDifferences) {
        if (entry.caption == code) {
            return entry.ansi;
        }
    }
    return code;
}

int32_t MapSpecialChar(int32_t low) {
    if (low < 0x30 || low > 0x3F) {
        return kNone;
    }
    return kSpecial[static_cast<std::size_t>(low - 0x30)];
}

int32_t MapScreenChar(char32_t ch) {
    if ((ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xFF)) {
        return static_cast<int32_t>(ch);
    }
    for (const ScreenEntry& entry : kScreenBeyondLatin1) {
        if (entry.unicode == ch) {
            return entry.ansi;
        }
    }
    return kNone;
}
