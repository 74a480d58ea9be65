#include "platform/sound/SampleConvert.h"

#include <cmath>
#include <cstring>

namespace platform::sound {

namespace {
long nearestClipped(float x, float scale, long lo, long hi) {
    if (std::isnan(x)) {
        return 0;
    }
    const double v = std::floor(static_cast<double>(x) * scale + 0.5);
    if (v <= static_cast<double>(lo)) {
        return lo;
    }
    if (v >= static_cast<double>(hi)) {
        return hi;
    }
    return static_cast<long>(v);
}
}  // namespace

int16_t toPcm16(float x) {
    return static_cast<int16_t>(nearestClipped(x, 32767.0f, -32768, 32767));
}

uint8_t toPcm8(float x) {
    return static_cast<uint8_t>(nearestClipped(x, 127.0f, -128, 127) + 128);
}

void mapChannels(const float* in, int inChannels, float* out, int outChannels, std::size_t frames) {
    for (std::size_t f = 0; f < frames; ++f) {
        const float* src = in + f * static_cast<std::size_t>(inChannels);
        float* dst = out + f * static_cast<std::size_t>(outChannels);
        if (outChannels == 1 && inChannels >= 2) {
            dst[0] = 0.5f * (src[0] + src[1]);
            continue;
        }
        for (int c = 0; c < outChannels; ++c) {
            dst[c] = src[c < inChannels ? c : inChannels - 1];
        }
    }
}

int bytesOf(RawSample s) {
    switch (s) {
        case RawSample::UInt8:
            return 1;
        case RawSample::Int16:
            return 2;
        case RawSample::Int32:
        case RawSample::Float32:
            return 4;
    }
    return 1;
}

void decodeRaw(RawSample s, const unsigned char* bytes, std::size_t count, float* out) {
    for (std::size_t i = 0; i < count; ++i) {
        switch (s) {
            case RawSample::UInt8:
                out[i] = (static_cast<float>(bytes[i]) - 128.0f) / 128.0f;
                break;
            case RawSample::Int16: {
                int16_t v = 0;
                std::memcpy(&v, bytes + 2 * i, sizeof v);
                out[i] = static_cast<float>(v) / 32768.0f;
                break;
            }
            case RawSample::Int32: {
                int32_t v = 0;
                std::memcpy(&v, bytes + 4 * i, sizeof v);
                out[i] = static_cast<float>(static_cast<double>(v) / 2147483648.0);
                break;
            }
            case RawSample::Float32: {
                float v = 0.0f;
                std::memcpy(&v, bytes + 4 * i, sizeof v);
                out[i] = v;
                break;
            }
        }
    }
}

}  // namespace platform::sound
