#include "captions/LineBits.h"

int32_t ReverseBits(int32_t x) {
    int32_t result = 0;
    for (int k = 0; k < 8; ++k) {
        if ((x & (1 << k)) != 0) {
            result |= 1 << (7 - k);
        }
    }
    return result;
}

// Clearing the low bits first makes the division exact, so it is a shift that
// keeps the sign.
int32_t HighByte(int32_t v) {
    return (v & ~0xFF) / 256;
}

int32_t LowByte(int32_t v) {
    return v & 0xFF;
}
