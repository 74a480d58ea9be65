#include "tools/streammaker/StreamOptions.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace tools::stream {

const char* const kUsage =
    "usage: streammaker [options] STATION_FOLDER OUTPUT.ts\n"
    "  STATION_FOLDER: captions.scc, sound.flac/.wav/.ogg, title.txt, optionally picture.png\n"
    "  --video=mpeg2|h264   video codec (default mpeg2, with B-frames)\n"
    "  --sound=mp2|ac3      sound codec (default mp2), 48 kHz stereo\n"
    "  --rate=29.97i|59.94p|23.976   frame rate (default 29.97i: one caption pair a frame;\n"
    "                       59.94p: a pair every other frame; 23.976: 3:2 pull-down cadence)\n"
    "  --size=WxH           picture size, even numbers (default 720x480)\n"
    "  --video-kbps=N       video bit rate (default by size and rate)\n"
    "  --sound-kbps=N       sound bit rate (default 192 for mp2, 384 for ac3)\n"
    "  --seconds=S          length (default the programme's; longer loops it)\n"
    "  --pad-controls       a null pair between the two copies of a control code\n"
    "  --x264-preset=NAME   libx264 preset (default veryfast)\n"
    "  --grain=N            +-N levels of grain on the picture, 0 to 40 (default 3)\n";

namespace {

std::optional<int> readInt(std::string_view s, int low, int high) {
    int v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc() || p != end || s.empty() || v < low || v > high) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> readSeconds(std::string_view s) {
    double v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc() || p != end || s.empty() || !std::isfinite(v) || v <= 0 ||
        v > 24 * 3600) {
        return std::nullopt;
    }
    return v;
}

platform::Error bad(std::string_view what, std::string_view value, std::string_view allowed) {
    return platform::Error{"bad " + std::string(what) + " '" + std::string(value) + "' (" +
                           std::string(allowed) + ")"};
}

}  // namespace

int defaultVideoKbps(const StreamOptions& o) {
    const Rational fps = framesPerSecond(o.cadence.rate);
    const double pixelsPerSecond = static_cast<double>(o.width) * o.height * fps.num / fps.den;
    // About what broadcasters spend: 1080i MPEG-2 near 15 Mb/s, H.264 half.
    const double bitsPerPixel = o.video == VideoCodec::Mpeg2 ? 0.24 : 0.12;
    return std::max(200, static_cast<int>(pixelsPerSecond * bitsPerPixel / 1000));
}

int effectiveSoundKbps(const StreamOptions& o) {
    if (o.soundKbps != 0) {
        return o.soundKbps;
    }
    return o.sound == SoundCodec::Mp2 ? 192 : 384;
}

platform::Result<CommandLine> parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    StreamOptions& o = line.options;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        const std::string_view a = arg;
        const auto value = [&a](std::string_view name) -> std::optional<std::string_view> {
            if (a.substr(0, name.size()) == name) {
                return a.substr(name.size());
            }
            return std::nullopt;
        };
        if (auto v = value("--video=")) {
            if (*v == "mpeg2") {
                o.video = VideoCodec::Mpeg2;
            } else if (*v == "h264") {
                o.video = VideoCodec::H264;
            } else {
                return bad("video codec", *v, "mpeg2 or h264");
            }
        } else if (auto v = value("--sound=")) {
            if (*v == "mp2") {
                o.sound = SoundCodec::Mp2;
            } else if (*v == "ac3") {
                o.sound = SoundCodec::Ac3;
            } else {
                return bad("sound codec", *v, "mp2 or ac3");
            }
        } else if (auto v = value("--rate=")) {
            if (*v == "29.97i") {
                o.cadence.rate = FrameRate::Interlaced2997;
            } else if (*v == "59.94p") {
                o.cadence.rate = FrameRate::Progressive5994;
            } else if (*v == "23.976") {
                o.cadence.rate = FrameRate::Film23976;
            } else {
                return bad("frame rate", *v, "29.97i, 59.94p or 23.976");
            }
        } else if (auto v = value("--size=")) {
            const std::size_t x = v->find('x');
            const auto w = readInt(v->substr(0, x), 16, 4096);
            const auto h =
                x == std::string_view::npos ? std::nullopt : readInt(v->substr(x + 1), 16, 4096);
            if (!w || !h || *w % 2 != 0 || *h % 2 != 0) {
                return bad("size", *v, "WIDTHxHEIGHT, even numbers from 16 to 4096");
            }
            o.width = *w;
            o.height = *h;
        } else if (auto v = value("--video-kbps=")) {
            const auto k = readInt(*v, 100, 80000);
            if (!k) {
                return bad("video bit rate", *v, "100 to 80000 kb/s");
            }
            o.videoKbps = *k;
        } else if (auto v = value("--sound-kbps=")) {
            const auto k = readInt(*v, 32, 640);
            if (!k) {
                return bad("sound bit rate", *v, "32 to 640 kb/s");
            }
            o.soundKbps = *k;
        } else if (auto v = value("--seconds=")) {
            const auto s = readSeconds(*v);
            if (!s) {
                return bad("length", *v, "seconds, more than 0 and at most a day");
            }
            o.seconds = *s;
        } else if (auto v = value("--x264-preset=")) {
            if (v->empty()) {
                return bad("x264 preset", *v, "a libx264 preset such as veryfast");
            }
            o.x264Preset = std::string(*v);
        } else if (auto v = value("--grain=")) {
            const auto g = readInt(*v, 0, 40);
            if (!g) {
                return bad("grain", *v, "0 to 40");
            }
            o.grain = *g;
        } else if (a == "--pad-controls") {
            o.cadence.padControls = true;
        } else if (a.substr(0, 2) == "--") {
            return platform::Error{"unknown option '" + arg + "'"};
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || positional[0].empty() || positional[1].empty()) {
        return platform::Error{"expected a station folder and an output file"};
    }
    line.station = positional[0];
    line.output = positional[1];
    return line;
}

}  // namespace tools::stream
