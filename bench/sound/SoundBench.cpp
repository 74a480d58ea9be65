// Prints what a long recording costs: the time a save takes after ten minutes
// of 44100 Hz stereo 16-bit (the stop the user waits for), the peak memory
// after one and after ten minutes of recording, and for a recording made
// beside its name (its header brought up to date every two seconds) and then
// cut off, the time the next start takes to repair it. The program clock is
// a manual one advanced in 100 ms steps, each followed by a pump, so ten
// minutes of sound take seconds.
//   bench_sound [minutes]
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/common/Process.h"
#include "platform/core/Clock.h"
#include "platform/sound/CardFeedInput.h"
#include "platform/sound/MciInterpreter.h"
#include "platform/sound/WavRepair.h"
#include "platform/tv/AudioFeed.h"

namespace {

class Tone final : public platform::tv::AudioFeed {
  public:
    void render(double start, int rate, int channels, float* out, std::size_t frames) override {
        for (std::size_t i = 0; i < frames; ++i) {
            const float v = 0.5f * static_cast<float>(std::sin(
                                       2 * M_PI * 440 * (start + static_cast<double>(i) / rate)));
            for (int c = 0; c < channels; ++c) {
                out[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = v;
            }
        }
    }
};

struct Run {
    double recordSeconds = 0;
    double saveMs = 0;
    double repairMs = -1;  // a placed recording: repairing it after it was cut off
    long peakKbAt1 = 0, peakKbAtEnd = 0, rssKbAt1 = 0, rssKbAtEnd = 0;
    std::uintmax_t bytes = 0;
};

// place empty: an anonymous recording in tmpDir, saved to dest. Otherwise
// made at place and left unsaved, as a killed program leaves it.
Run recordAndSave(int minutes, const std::string& tmpDir, const std::string& dest,
                  const std::string& place = {}) {
    setenv("TMPDIR", tmpDir.c_str(), 1);
    Tone tone;
    platform::ManualClock clock(0.0);
    platform::setProgramClock(&clock);
    platform::sound::MciInterpreter driver(
        [&tone]() -> platform::Result<std::unique_ptr<platform::sound::WaveInput>> {
            return std::unique_ptr<platform::sound::WaveInput>(
                std::make_unique<platform::sound::CardFeedInput>(tone));
        });
    Run r;
    driver.execute("open new type waveaudio alias w");
    driver.execute(
        "set w samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400");
    if (!place.empty()) {
        driver.recordInto({place, tmpDir, {}});
    }
    driver.execute("record w overwrite");
    const auto began = std::chrono::steady_clock::now();
    const int steps = minutes * 600;
    for (int i = 1; i <= steps; ++i) {
        clock.advance(0.1);
        driver.pumpAll();
        if (i == 600) {
            r.peakKbAt1 = bench::statusKb("VmHWM:");
            r.rssKbAt1 = bench::statusKb("VmRSS:");
        }
    }
    r.recordSeconds = bench::msSince(began) / 1000;
    r.peakKbAtEnd = bench::statusKb("VmHWM:");
    r.rssKbAtEnd = bench::statusKb("VmRSS:");
    if (!place.empty()) {
        // A copy of the file as it is now, header as last brought up to
        // date, stands for what a killed program leaves.
        std::filesystem::copy_file(place, dest);
        driver.execute("close w ");
        platform::setProgramClock(nullptr);
        const auto repairStart = std::chrono::steady_clock::now();
        const auto repaired = platform::sound::repairWavFile(dest);
        r.repairMs = bench::msSince(repairStart);
        if (!repaired) {
            std::fprintf(stderr, "repair failed: %s\n", repaired.message().c_str());
        }
        std::error_code ec;
        r.bytes = std::filesystem::file_size(dest, ec);
        std::filesystem::remove(dest, ec);
        std::filesystem::remove(place, ec);
        return r;
    }
    const auto saveStart = std::chrono::steady_clock::now();
    const auto reply = driver.execute("save w " + dest);
    r.saveMs = bench::msSince(saveStart);
    if (reply.code != 0) {
        std::fprintf(stderr, "save failed: %s\n", reply.text.c_str());
    }
    driver.execute("close w ");
    platform::setProgramClock(nullptr);
    std::error_code ec;
    r.bytes = std::filesystem::file_size(dest, ec);
    std::filesystem::remove(dest, ec);
    return r;
}

void print(const char* what, int minutes, const Run& r) {
    std::printf("%s, %d min of 44100 Hz stereo 16-bit (%.1f MB):\n", what, minutes, r.bytes / 1e6);
    std::printf("  recording ran at %.0fx real time (%.2f s)\n", minutes * 60 / r.recordSeconds,
                r.recordSeconds);
    if (r.repairMs >= 0) {
        std::printf("  repair after it was cut off took %.2f ms\n", r.repairMs);
    } else {
        std::printf("  save (stop) took %.2f ms\n", r.saveMs);
    }
    std::printf("  peak RSS after 1 min %ld KiB, after %d min %ld KiB (growth %ld KiB)\n",
                r.peakKbAt1, minutes, r.peakKbAtEnd, r.peakKbAtEnd - r.peakKbAt1);
    std::printf("  RSS after 1 min %ld KiB, after %d min %ld KiB\n", r.rssKbAt1, minutes,
                r.rssKbAtEnd);
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    char tmpl[] = "/tmp/cuelark-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    print("Same file system (rename)", minutes, recordAndSave(minutes, dir, dir + "/bench.wav"));
    if (std::filesystem::is_directory("/dev/shm")) {
        char shm[] = "/dev/shm/cuelark-bench-XXXXXX";
        const std::string other = mkdtemp(shm);
        print("Other file system (copy)", minutes,
              recordAndSave(minutes, other, dir + "/bench.wav"));
        std::filesystem::remove_all(other);
    }
    print("Beside its name, cut off", minutes,
          recordAndSave(minutes, dir, dir + "/cut.wav", dir + "/.cut.recording.wav"));
    std::filesystem::remove_all(dir);
    return 0;
}
