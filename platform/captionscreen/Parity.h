#pragma once
// Line-21 bytes carry odd parity in their top bit: seven data bits plus the
// parity bit always hold an odd number of ones.
#include <bit>
#include <cstdint>

namespace platform::captionscreen {

inline bool hasOddParity(uint8_t byte) {
    return (std::popcount(byte) & 1) == 1;
}

// The byte as sent: the seven data bits with the parity bit that makes it odd.
inline uint8_t withOddParity(uint8_t data) {
    const uint8_t low = data & 0x7F;
    return hasOddParity(low) ? low : static_cast<uint8_t>(low | 0x80);
}

}  // namespace platform::captionscreen
