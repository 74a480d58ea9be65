#pragma once
// Bit helpers for unpacking a caption message: the card sends each byte of a
// line-21 pair with its bit order reversed.
#include <cstdint>

// Bits 0 to 7 of x in reverse order (bit k goes to bit 7 - k); bits above 7
// are ignored. The result is 0 to 255.
int32_t ReverseBits(int32_t x);
// v shifted right by 8 places, its sign kept.
int32_t HighByte(int32_t v);
// The low 8 bits of v.
int32_t LowByte(int32_t v);
