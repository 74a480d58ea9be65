#include "tools/streammaker/TestPicture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/streammaker/BitmapFont.h"

namespace tools::stream {
namespace {

struct Colour {
    uint8_t y, cb, cr;
};

// 75% colour bars, left to right, in studio-range BT.601 values.
constexpr Colour kBars[] = {
    {180, 128, 128},  // white
    {162, 44, 142},   // yellow
    {131, 156, 44},   // cyan
    {112, 72, 58},    // green
    {84, 184, 198},   // magenta
    {65, 100, 212},   // red
    {35, 212, 114},   // blue
};
constexpr Colour kBlack{16, 128, 128};
constexpr Colour kWhite{235, 128, 128};

}  // namespace

TestPicture::TestPicture(int width, int height, std::string title)
    : width_(width), height_(height), dot_(std::max(1, height / 120)), title_(std::move(title)) {}

std::string clockText(int64_t frame, Rational fps) {
    // Whole seconds and the frame within them, counted without drop-frame.
    const int64_t perSecond = (fps.num + fps.den - 1) / fps.den;
    const int64_t secs = frame * fps.den / fps.num;
    const int64_t within =
        std::min<int64_t>(frame - (secs * fps.num + fps.den - 1) / fps.den, perSecond - 1);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld;%02lld",
                  static_cast<long long>(secs / 3600 % 100), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60),
                  static_cast<long long>(std::max<int64_t>(within, 0)));
    return text;
}

void TestPicture::fillRect(const Planes& out, int x, int y, int w, int h, uint8_t Y, uint8_t Cb,
                           uint8_t Cr) const {
    const int x0 = std::clamp(x, 0, width_);
    const int x1 = std::clamp(x + w, 0, width_);
    const int y0 = std::clamp(y, 0, height_);
    const int y1 = std::clamp(y + h, 0, height_);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    for (int row = y0; row < y1; ++row) {
        std::memset(out.data[0] + row * out.stride[0] + x0, Y, static_cast<std::size_t>(x1 - x0));
    }
    for (int row = y0 / 2; row < (y1 + 1) / 2; ++row) {
        const auto n = static_cast<std::size_t>((x1 + 1) / 2 - x0 / 2);
        std::memset(out.data[1] + row * out.stride[1] + x0 / 2, Cb, n);
        std::memset(out.data[2] + row * out.stride[2] + x0 / 2, Cr, n);
    }
}

void TestPicture::drawBackground(const Planes& out) const {
    if (!background_.empty()) {
        const uint8_t* src = background_.data();
        const int sizes[3][2] = {
            {width_, height_}, {width_ / 2, height_ / 2}, {width_ / 2, height_ / 2}};
        for (int p = 0; p < 3; ++p) {
            for (int row = 0; row < sizes[p][1]; ++row) {
                std::memcpy(out.data[p] + row * out.stride[p], src,
                            static_cast<std::size_t>(sizes[p][0]));
                src += sizes[p][0];
            }
        }
        return;
    }
    const int bars = static_cast<int>(std::size(kBars));
    for (int b = 0; b < bars; ++b) {
        const int x0 = width_ * b / bars / 2 * 2;
        const int x1 = width_ * (b + 1) / bars / 2 * 2;
        fillRect(out, x0, 0, x1 - x0, height_, kBars[b].y, kBars[b].cb, kBars[b].cr);
    }
}

void TestPicture::drawText(const Planes& out, const std::string& text, int y) const {
    const int advance = (kGlyphWidth + 1) * dot_;
    const int shown = std::min<int>(static_cast<int>(text.size()), (width_ - 2 * dot_) / advance);
    const int bandHeight = (kGlyphHeight + 2) * dot_;
    const int x0 = (width_ - shown * advance) / 2;
    fillRect(out, x0 - dot_, y, shown * advance + dot_, bandHeight, kBlack.y, kBlack.cb, kBlack.cr);
    for (int i = 0; i < shown; ++i) {
        const Glyph& g = glyphOf(text[static_cast<std::size_t>(i)]);
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if ((g[static_cast<std::size_t>(row)] >> (kGlyphWidth - 1 - col)) & 1) {
                    fillRect(out, x0 + i * advance + col * dot_, y + (row + 1) * dot_, dot_, dot_,
                             kWhite.y, kWhite.cb, kWhite.cr);
                }
            }
        }
    }
}

void TestPicture::addGrain(const Planes& out, int64_t frame) const {
    if (grain_ <= 0) {
        return;
    }
    const auto span = static_cast<uint32_t>(2 * grain_ + 1);
    for (int row = 0; row < height_; ++row) {
        // xorshift32, seeded per row and frame: the same grain every run.
        uint32_t x = static_cast<uint32_t>(frame * 7919 + row * 104729) | 1u;
        uint8_t* line = out.data[0] + row * out.stride[0];
        for (int col = 0; col < width_; ++col) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const int v = line[col] + static_cast<int>((x >> 8) % span) - grain_;
            line[col] = static_cast<uint8_t>(std::clamp(v, 16, 235));
        }
    }
}

void TestPicture::draw(const Planes& out, int64_t frame, Rational fps) const {
    drawBackground(out);
    // The box crosses the picture once every four seconds or so.
    const int box = std::max(8, height_ / 8) / 2 * 2;
    const int64_t span = std::max(1, width_ - box);
    const int64_t step = std::max<int64_t>(1, span * fps.den / (4 * fps.num) + 1);
    const int64_t travel = frame * step % (2 * span);
    const int x = static_cast<int>(travel < span ? travel : 2 * span - travel);
    fillRect(out, x, height_ / 2 - box / 2, box, box, kWhite.y, kWhite.cb, kWhite.cr);
    addGrain(out, frame);

    const int margin = height_ / 16;
    drawText(out, title_, margin);
    drawText(out, clockText(frame, fps), height_ - margin - (kGlyphHeight + 2) * dot_);
}

}  // namespace tools::stream
