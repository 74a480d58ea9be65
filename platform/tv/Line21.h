#pragma once
// Line-21 byte pairs as the card hands them to its caption window: each byte
// keeps its parity bit and goes out with its bit order reversed, as it comes
// off the line least significant bit first.
#include <cstdint>

#include "platform/win/Win.h"

namespace platform::tv {

// The pair a frame without caption data carries: 0x00 0x00 with odd parity.
constexpr uint8_t kNullByte = 0x80;

constexpr uint8_t reverseBits(uint8_t b) {
    uint8_t r = 0;
    for (int k = 0; k < 8; ++k) {
        if ((b >> k) & 1) {
            r = static_cast<uint8_t>(r | (1 << (7 - k)));
        }
    }
    return r;
}

// Sets bit 7 so that the byte has an odd number of bits set.
constexpr uint8_t withOddParity(uint8_t b) {
    const uint8_t low = b & 0x7F;
    int ones = 0;
    for (int k = 0; k < 7; ++k) {
        ones += (low >> k) & 1;
    }
    return static_cast<uint8_t>(ones % 2 == 0 ? low | 0x80 : low);
}

// wParam of message 1067: first byte in bits 8..15, second in 0..7.
constexpr win::WPARAM packCaptionPair(uint8_t first, uint8_t second) {
    return (static_cast<win::WPARAM>(reverseBits(first)) << 8) | reverseBits(second);
}

}  // namespace platform::tv
