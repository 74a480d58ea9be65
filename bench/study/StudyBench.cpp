// Studying a one-hour recording: 1,000 rows and a 635 MB WAV (44100 Hz
// stereo 16-bit) made here in a temporary folder. Prints
//   open: the script read and the WAV opened, to the rows (median of 5)
//   span: one row's padded span read (the sound behind Space), 200 rows at random
//   export: every row as a loudness-normalised clip, MP3 (and 200 as Opus)
// The WAV's pages are dropped from the cache before the open and span
// figures, so they are read from the disk as after a fresh start.
//   bench_study [folder]   (default: a new folder in $TMPDIR, removed after)
#include <fcntl.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/common/Process.h"
#include "study/export/ExportJob.h"
#include "study/model/Recording.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 3600;
constexpr int kRows = 1000;

bool writeHour(const std::string& wav, const std::string& script) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(wav.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", wav.c_str(), sf_strerror(nullptr));
        return false;
    }
    // Speech-like: a tone whose pitch and level wander, a second at a time.
    std::vector<short> block(static_cast<std::size_t>(kRate) * 2);
    double phase = 0.0;
    for (int s = 0; s < kSeconds; ++s) {
        const double pitch = 150.0 + 90.0 * std::sin(s * 0.37);
        const double level = 6000.0 + 5000.0 * std::sin(s * 0.11);
        for (int f = 0; f < kRate; ++f) {
            phase += 2.0 * M_PI * pitch / kRate;
            const auto v = static_cast<short>(level * std::sin(phase) * std::sin(M_PI * f / kRate));
            block[static_cast<std::size_t>(f) * 2] = v;
            block[static_cast<std::size_t>(f) * 2 + 1] = v;
        }
        sf_writef_short(file, block.data(), kRate);
    }
    sf_close(file);

    std::string rows;
    for (int r = 0; r < kRows; ++r) {
        const int start = r * 360 + 20;  // centiseconds: a row every 3.6 s, 2.5 s long
        rows += std::to_string(start) + "\t" + std::to_string(start + 250) + "\tLINE " +
                std::to_string(r + 1) + " OF THE PROGRAMME" + (r % 7 == 0 ? "\t1" : "") + "\r\n";
    }
    FILE* out = std::fopen(script.c_str(), "wb");
    const bool ok = out != nullptr && std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
    return out != nullptr && std::fclose(out) == 0 && ok;
}

void dropFromCache(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void exportClips(const study::Recording& recording, const std::string& folder,
                 study::ClipFormat format, std::size_t rows) {
    study::ExportSource source = recording.exportSource();
    source.rows.resize(std::min(rows, source.rows.size()));
    double audio = 0.0;
    for (const study::ExportRow& row : source.rows) {
        audio += (row.endCs - row.startCs) / 100.0 + 0.4;  // with the default padding
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    study::ExportOptions options;
    options.clipsDir = folder;
    options.clipFormat = format;
    study::ExportJob job({source}, options);
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const study::ExportReport report = job.run();
    const double wall = bench::msSince(t0) / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    if (!report.status) {
        std::printf("export failed: %s\n", report.status.message().c_str());
        return;
    }
    // The export runs on one thread: its CPU time is what one core needs,
    // whatever else the machine is doing meanwhile.
    std::printf(
        "export %s: %zu clips, %.0f s of sound, %.1f s CPU, %.1f s elapsed: %.0fx real "
        "time on one core (%.0fx by the clock)\n",
        format == study::ClipFormat::Mp3 ? "mp3" : "opus", source.rows.size(), audio, cpu, wall,
        audio / cpu, audio / wall);
}

}  // namespace

int main(int argc, char** argv) {
    const bool own = argc < 2;
    std::string folder;
    if (own) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/bench-study-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        folder = pattern;
    } else {
        folder = argv[1];
    }
    const std::string wav = folder + "/hour.wav";
    const std::string script = folder + "/hour.txt";
    const auto made = std::chrono::steady_clock::now();
    if (!writeHour(wav, script)) {
        return 1;
    }
    std::printf("made %s (%.0f MB) in %.1f s\n", wav.c_str(), std::filesystem::file_size(wav) / 1e6,
                bench::msSince(made) / 1000.0);

    std::vector<double> opens;
    std::unique_ptr<study::Recording> recording;
    for (int i = 0; i < 5; ++i) {
        dropFromCache(wav);
        dropFromCache(script);
        const auto t0 = std::chrono::steady_clock::now();
        platform::Result<std::unique_ptr<study::Recording>> r = study::Recording::open(script);
        opens.push_back(bench::msSince(t0));
        if (!r || !r.value()->hasSound() || r.value()->rowCount() != kRows) {
            std::printf("open failed: %s\n",
                        r ? r.value()->noSoundReason().c_str() : r.message().c_str());
            return 1;
        }
        recording = std::move(r.value());
    }
    std::printf("open: median %.2f ms, max %.2f ms (%zu rows)\n", median(opens),
                *std::max_element(opens.begin(), opens.end()), recording->rowCount());

    dropFromCache(wav);
    std::mt19937 random(13);
    std::vector<double> spans;
    std::vector<int16_t> sound;
    for (int i = 0; i < 200; ++i) {
        const auto row = static_cast<std::size_t>(random() % kRows);
        const auto t0 = std::chrono::steady_clock::now();
        if (!recording->readSpan(recording->spanOf(row, {}), sound)) {
            return 1;
        }
        spans.push_back(bench::msSince(t0));
    }
    std::printf("span: median %.2f ms, max %.2f ms (%zu frames a row)\n", median(spans),
                *std::max_element(spans.begin(), spans.end()), sound.size() / 2);

    exportClips(*recording, folder + "/mp3", study::ClipFormat::Mp3, kRows);
    exportClips(*recording, folder + "/opus", study::ClipFormat::Opus, 200);
    std::printf("peak RSS %ld KiB\n", bench::statusKb("VmHWM:"));
    if (own) {
        std::filesystem::remove_all(folder);
    }
    return 0;
}
