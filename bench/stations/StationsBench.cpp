// Long stations for the card, made at run time (never kept in the sources),
// and what reading them costs when the card loads.
//   bench_stations make <broadcasts folder> <first channel> <count> <minutes>
//       stations on channels first.. of a pop-on caption every two seconds
//       over a tone in FLAC; the first in 48000 Hz stereo, the others
//       22050 Hz mono
//   bench_stations load <broadcasts folder> [times, default 5]
//       reads every station as the card does at its load: the median time
//       on the clock and in the processor (all threads), and the memory the
//       stations hold
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <time.h>

#include "bench/common/Process.h"
#include "platform/scc/Scc.h"
#include "platform/tv/Station.h"

namespace {

namespace fs = std::filesystem;
namespace scc = platform::scc;

uint8_t withParity(int b) {
    return static_cast<uint8_t>(__builtin_popcount(static_cast<unsigned>(b)) % 2 == 0 ? b | 0x80
                                                                                      : b);
}

// A caption every 60 frames: loaded off screen, then erased and swapped in.
std::vector<scc::CaptionWord> captions(double seconds) {
    std::vector<scc::CaptionWord> words;
    for (int64_t k = 0; scc::frameTime(45 + k * 60) + 1.0 < seconds; ++k) {
        int64_t f = 15 + k * 60;
        const auto add = [&](int a, int b) {
            words.push_back({f++, withParity(a), withParity(b)});
        };
        add(0x14, 0x20), add(0x14, 0x20), add(0x14, 0x70), add(0x14, 0x70);
        const std::string text = "LINE " + std::to_string(k);
        for (std::size_t i = 0; i < text.size(); i += 2) {
            add(text[i], i + 1 < text.size() ? text[i + 1] : 0);
        }
        f = 45 + k * 60;
        add(0x14, 0x2C), add(0x14, 0x2C), add(0x14, 0x2F), add(0x14, 0x2F);
    }
    return words;
}

bool writeTone(const fs::path& path, double seconds, int rate, int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const auto frames = static_cast<int64_t>(seconds * rate);
    std::vector<float> block(static_cast<std::size_t>(rate * channels));
    for (int64_t done = 0; done < frames; done += rate) {
        const int64_t n = std::min<int64_t>(rate, frames - done);
        for (int64_t i = 0; i < n; ++i) {
            const auto v = static_cast<float>(
                0.3 * std::sin(2 * M_PI * 440.0 * static_cast<double>(done + i) / rate));
            for (int c = 0; c < channels; ++c) {
                block[static_cast<std::size_t>(i * channels + c)] = v;
            }
        }
        sf_writef_float(f, block.data(), n);
    }
    sf_close(f);
    return true;
}

int make(const fs::path& root, int first, int count, double minutes) {
    const double seconds = minutes * 60.0;
    const std::string scc = scc::formatScc(captions(seconds));
    for (int ch = first; ch < first + count; ++ch) {
        const fs::path folder = root / std::to_string(ch);
        fs::create_directories(folder);
        std::ofstream(folder / "title.txt") << "Long station " << ch << "\n";
        std::ofstream(folder / "captions.scc") << scc;
        const fs::path sound = folder / "sound.flac";
        if (ch == first) {
            if (!writeTone(sound, seconds, 48000, 2)) {
                return 1;
            }
        } else if (ch == first + 1) {
            if (!writeTone(sound, seconds, 22050, 1)) {
                return 1;
            }
        } else {
            // The same sound again: encoding it anew would only take longer.
            fs::copy_file(root / std::to_string(first + 1) / "sound.flac", sound,
                          fs::copy_options::overwrite_existing);
        }
    }
    std::printf("%d stations of %.0f minutes in %s\n", count, minutes, root.c_str());
    return 0;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

int load(const std::string& root, int times) {
    std::vector<double> ms;
    std::vector<double> cpu;
    const long before = bench::statusKb("VmRSS:");
    long held = 0;
    int stations = 0;
    for (int i = 0; i < times; ++i) {
        std::ostringstream errors;
        const auto began = std::chrono::steady_clock::now();
        const double cpuBefore = cpuMs();
        const platform::tv::StationSet set = platform::tv::loadStations(root, errors);
        ms.push_back(bench::msSince(began));
        cpu.push_back(cpuMs() - cpuBefore);
        held = bench::statusKb("VmRSS:") - before;
        stations = set.size();
        if (!errors.str().empty()) {
            std::fprintf(stderr, "%s", errors.str().c_str());
        }
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "loaded %d stations: median %.1f ms (min %.1f, max %.1f), processor %.1f ms, %ld KiB "
        "held\n",
        stations, ms[ms.size() / 2], ms.front(), ms.back(), cpu[cpu.size() / 2], held);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 6) {
        return make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atof(argv[5]));
    }
    if (mode == "load" && (argc == 3 || argc == 4)) {
        return load(argv[2], argc == 4 ? std::max(1, std::atoi(argv[3])) : 5);
    }
    std::fprintf(stderr,
                 "usage: bench_stations make <broadcasts folder> <first channel> <count> "
                 "<minutes>\n       bench_stations load <broadcasts folder> [times]\n");
    return 64;
}
