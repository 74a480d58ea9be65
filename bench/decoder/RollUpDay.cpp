// A day of a live channel through the decoder with roll-up and paint-on
// recorded: 24 one-hour recordings back to back, each written to a file at
// its stop, as a viewer recording hour after hour would make them. Prints
// the speed and the memory after the first hour and after the last: the
// decoder must not grow.
//   bench_rollup_day [hours, default 24]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bench/common/Process.h"
#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"

namespace {

using Pair = std::pair<int32_t, int32_t>;

constexpr double kFrameSeconds = 1001.0 / 30000.0;
constexpr int64_t kFramesPerHour = 107892;  // 29.97 frames a second

class Programme {
  public:
    // One hour of frames: roll-up lines every two seconds, a pop-on
    // commercial break every ten minutes, a paint-on caption in each break.
    std::vector<Pair> hour(int hourIndex) {
        frames_.clear();
        int line = 0;
        while (static_cast<int64_t>(frames_.size()) < kFramesPerHour) {
            if (line % 300 == 299) {
                commercialBreak(hourIndex, line);
            } else {
                rollUpLine(hourIndex, line);
            }
            ++line;
        }
        frames_.resize(kFramesPerHour);
        return frames_;
    }

  private:
    void control(int32_t high, int32_t low) {
        frames_.emplace_back(high, low);
        frames_.emplace_back(high, low);
    }
    void text(const std::string& s) {
        for (std::size_t i = 0; i < s.size(); i += 2) {
            frames_.emplace_back(s[i], i + 1 < s.size() ? s[i + 1] : 0);
        }
    }
    void padTo(std::size_t frames) {
        while (frames_.size() < frames) {
            frames_.emplace_back(0, 0);
        }
    }
    std::string words(int hourIndex, int line) const {
        static const char* const kWords[] = {"THE",    "COUNCIL", "MET",   "TODAY", "TO",
                                             "TALK",   "ABOUT",   "A",     "NEW",   "BRIDGE",
                                             "OVER",   "RIVER",   "WHICH", "MAY",   "OPEN",
                                             "SOONER", "THAN",    "HOPED", "SAID",  "MAYOR"};
        std::string s = ">>";
        for (int w = 0; s.size() < 24; ++w) {
            s += ' ';
            s += kWords[(hourIndex * 7 + line * 3 + w * 5) % std::size(kWords)];
        }
        return s + " " + std::to_string(line);
    }
    void rollUpLine(int hourIndex, int line) {
        const std::size_t end = frames_.size() + 60;
        control(0x14, 0x26);
        control(0x14, 0x2D);
        control(0x14, 0x70);
        text(words(hourIndex, line));
        if (line % 40 == 39) {
            control(0x14, 0x2C);
        }
        padTo(end);
    }
    void commercialBreak(int hourIndex, int line) {
        for (int caption = 0; caption < 8; ++caption) {
            const std::size_t end = frames_.size() + 90;
            control(0x14, 0x20);
            control(0x14, 0x2E);
            control(0x14, 0x50);
            text(words(hourIndex, line + caption));
            control(0x14, 0x2C);
            control(0x14, 0x2F);
            padTo(end);
        }
        const std::size_t end = frames_.size() + 120;
        control(0x14, 0x29);
        control(0x14, 0x2C);
        control(0x14, 0x70);
        text("BACK IN A MOMENT");
        padTo(end);
        control(0x14, 0x2C);
    }

    std::vector<Pair> frames_;
};

int64_t countRows(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(in), {}, '\n');
}

}  // namespace

int main(int argc, char** argv) {
    const int hours = argc > 1 ? std::max(2, std::atoi(argv[1])) : 24;
    const std::string path = "/tmp/cuelark-bench-rollup-" + std::to_string(::getpid()) + ".txt";
    platform::FileTable files;
    platform::ManualClock clock(100.0);
    cldCCFactory cc(clock, files);
    cc.setAllCaptionModes(true);
    cc.init(0);
    Programme programme;

    int64_t pairs = 0;
    int64_t rows = 0;
    double decodeMs = 0.0;
    long rssAfterFirst = 0;
    for (int h = 0; h < hours; ++h) {
        const std::vector<Pair> frames = programme.hour(h);
        files.openForOutput(1, path);
        cc.init(1);
        const auto start = std::chrono::steady_clock::now();
        for (const Pair& p : frames) {
            cc.decode(p.first, p.second);
            clock.advance(kFrameSeconds);
        }
        decodeMs += bench::msSince(start);
        cc.init(0);
        files.close(1);
        if (!cc.lastWriteStatus()) {
            std::fprintf(stderr, "%s\n", cc.lastWriteStatus().message().c_str());
            return 1;
        }
        pairs += static_cast<int64_t>(frames.size());
        rows += countRows(path);
        if (h == 0) {
            rssAfterFirst = bench::statusKb("VmRSS:");
        }
    }
    const long rssAfterLast = bench::statusKb("VmRSS:");
    std::remove(path.c_str());

    std::printf("roll-up day: %d one-hour recordings, %lld pairs, %lld rows\n", hours,
                static_cast<long long>(pairs), static_cast<long long>(rows));
    std::printf("decoding: %.2f M pairs/s, %.0f k rows/s\n", pairs / decodeMs / 1e3,
                rows / decodeMs);
    std::printf("RSS after hour 1: %ld KiB, after hour %d: %ld KiB (growth %ld KiB)\n",
                rssAfterFirst, hours, rssAfterLast, rssAfterLast - rssAfterFirst);
    return 0;
}
