#pragma once
// Sample conversions between the float frames the inputs deliver and the PCM
// the recording holds.
#include <cstddef>
#include <cstdint>

namespace platform::sound {

// Nearest 16-bit value of x scaled by 32767; out-of-range and NaN clip
// (NaN to silence) so a hot input saturates instead of wrapping.
int16_t toPcm16(float x);
// Nearest 8-bit unsigned value (128 is silence), clipped the same way.
uint8_t toPcm8(float x);

// Maps interleaved frames of inChannels to outChannels: copies when equal,
// duplicates mono, averages the first two channels down to mono, and keeps the
// first outChannels otherwise. out holds frames * outChannels floats.
void mapChannels(const float* in, int inChannels, float* out, int outChannels, std::size_t frames);

// The raw sample layouts a capture device may deliver.
enum class RawSample { UInt8 = 1, Int16, Int32, Float32 };

int bytesOf(RawSample s);
// Decodes count native-endian samples into floats in -1..1.
void decodeRaw(RawSample s, const unsigned char* bytes, std::size_t count, float* out);

}  // namespace platform::sound
