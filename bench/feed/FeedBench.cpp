// The card's sound from a long station, as the recorder takes it: how long
// the first piece takes, how fast the rest converts, and how much memory the
// conversion adds. The station is a 10-minute 22050 Hz mono tone in a FLAC
// file made for the run, read as it plays and taken at 44100 Hz stereo in the
// recorder's 8192-frame pieces.
//   bench_feed [minutes, default 10]
#include <sndfile.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/Process.h"
#include "platform/scc/Scc.h"
#include "platform/tv/BroadcastFeed.h"
#include "platform/tv/SoundFile.h"

using namespace platform::tv;

namespace {

constexpr int kStationRate = 22050;

// Processor time of every thread, the read-ahead's included.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

bool writeTone(const std::string& path, int minutes) {
    SF_INFO info{};
    info.samplerate = kStationRate;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> second(kStationRate);
    for (int64_t s = 0; s < int64_t{minutes} * 60; ++s) {
        for (int64_t i = 0; i < kStationRate; ++i) {
            second[static_cast<std::size_t>(i)] =
                0.3f *
                static_cast<float>(std::sin(
                    2 * M_PI * 440.0 * static_cast<double>(s * kStationRate + i) / kStationRate));
        }
        sf_writef_float(f, second.data(), kStationRate);
    }
    sf_close(f);
    return true;
}

std::shared_ptr<const StationSet> longStation(const std::string& path, int minutes) {
    auto sound = openSoundFile(path);
    if (!sound) {
        std::fprintf(stderr, "%s\n", sound.message().c_str());
        std::exit(1);
    }
    auto s = std::make_shared<Station>();
    s->channel = 3;
    s->title = "Bench";
    s->sound = sound.value();
    s->pairs.assign(
        static_cast<std::size_t>(std::ceil(minutes * 60 / platform::scc::kFrameSeconds)), 0x8080);
    auto set = std::make_shared<StationSet>();
    set->put(std::move(s));
    return set;
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    constexpr int kRate = 44100;
    constexpr std::size_t kPiece = 8192;
    std::string folder =
        (std::filesystem::temp_directory_path() / "cuelark-bench-feed-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = folder + "/sound.flac";
    if (!writeTone(path, minutes)) {
        return 1;
    }
    TuningLog tunings;
    tunings.tune(0.0, 3);
    BroadcastFeed feed(tunings);
    feed.setProgramme(longStation(path, minutes), 0.0);
    const long baseKb = bench::statusKb("VmHWM:");

    std::vector<float> out(kPiece * 2);
    const auto total = static_cast<std::size_t>(minutes) * 60 * kRate;
    const auto began = std::chrono::steady_clock::now();
    feed.render(1.0, kRate, 2, out.data(), kPiece);
    const double firstMs = bench::msSince(began);
    const auto rest = std::chrono::steady_clock::now();
    const double cpuBefore = cpuMs();
    std::size_t done = kPiece;
    while (done < total) {
        const std::size_t n = std::min(kPiece, total - done);
        feed.render(1.0 + static_cast<double>(done) / kRate, kRate, 2, out.data(), n);
        done += n;
    }
    const double restMs = bench::msSince(rest);
    const double restCpuMs = cpuMs() - cpuBefore;
    const long growthKb = bench::statusKb("VmHWM:") - baseKb;
    std::printf("first piece (8192 frames at 44100 Hz stereo) of a %d-minute station: %.2f ms\n",
                minutes, firstMs);
    std::printf("the whole %d minutes: %.0f ms, %.0fx real time (processor: %.0f ms, %.0fx)\n",
                minutes, restMs, minutes * 60000.0 / restMs, restCpuMs,
                minutes * 60000.0 / restCpuMs);
    std::printf("peak memory growth while converting: %ld KiB\n", growthKb);
    feed.setProgramme(nullptr, 0.0);
    std::filesystem::remove_all(folder);
    return 0;
}
