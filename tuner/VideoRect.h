#pragma once
// Where the video window goes inside the main window: below the 35-pixel
// control strip, sized from the window's outer frame.
#include <cstdint>

struct VideoRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;   // W
    int32_t bottom = 0;  // H
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
};

inline constexpr int32_t kControlStripHeight = 35;

// Rounds to the nearest integer, halves to the even one.
int32_t RoundHalfEven(double value);

// From the outer size (frame included) in pixels: W = outer width − 5,
// H = outer height − 40, each rounded halves to even; the window spans
// (0, 35)–(W, H). A small outer size gives negative values, passed on as they
// are.
VideoRect VideoRectFor(double outerWidthPx, double outerHeightPx);
