#pragma once
// The picture of a made stream: colour bars (or the station's still picture)
// with the station's title above and a running clock below, and a box that
// moves across, so that motion prediction and B-frames have work to do.
// Drawn straight into 4:2:0 planes with the built-in dot font.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/streammaker/CaptionCadence.h"

namespace tools::stream {

struct Planes {
    uint8_t* data[3] = {nullptr, nullptr, nullptr};  // Y, Cb, Cr
    int stride[3] = {0, 0, 0};
};

class TestPicture {
  public:
    // width and height even.
    TestPicture(int width, int height, std::string title);

    // A background of width x height 4:2:0 planes (Y then Cb then Cr, no
    // padding) instead of the bars.
    void setBackground(std::vector<uint8_t> yuv420) { background_ = std::move(yuv420); }

    // Grain of up to +-amount levels on the light, different in every frame,
    // so the encoder spends bits as it does on a camera's picture.
    void setGrain(int amount) { grain_ = amount; }

    // The picture at frame `frame` of a stream of `fps` frames a second.
    void draw(const Planes& out, int64_t frame, Rational fps) const;

  private:
    void drawBackground(const Planes& out) const;
    void fillRect(const Planes& out, int x, int y, int w, int h, uint8_t Y, uint8_t Cb,
                  uint8_t Cr) const;
    void drawText(const Planes& out, const std::string& text, int y) const;
    void addGrain(const Planes& out, int64_t frame) const;

    int width_ = 0;
    int height_ = 0;
    int dot_ = 1;  // pixels per dot of the font
    int grain_ = 0;
    std::string title_;
    std::vector<uint8_t> background_;
};

// "HH:MM:SS;FF" for a frame, FF counting frames within the second.
std::string clockText(int64_t frame, Rational fps);

}  // namespace tools::stream
