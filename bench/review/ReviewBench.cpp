// The Review window on a one-hour recording (1,000 rows, a 635 MB WAV at
// 44.1 kHz stereo 16-bit, made in a temporary folder and removed at the
// end): how long opening takes until the list is painted (offscreen), and
// how long from Space until the output device takes the first sample of the
// row, on the default output (run it under a sound server, as bench/run
// does with tests/platform/sound/with_pulse.sh).
//   bench_review
// Prints "figure open_to_list ..." and "figure space_to_sound ..." lines.
#include <sndfile.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QTableView>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/common/Process.h"
#include "study/window/frmReview.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kSeconds = 3600;
constexpr int kRows = 1000;

struct Spread {
    double median = 0, min = 0, max = 0;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

bool makeRecording(const std::string& script, const std::string& wav) {
    std::ofstream rows(script, std::ios::binary);
    for (int i = 0; i < kRows; ++i) {
        const int start = i * kSeconds * 100 / kRows;
        rows << start << '\t' << start + 300 << "\tLine " << i << " of the programme, caf\xE9"
             << (i % 10 == 0 ? "\t1" : "") << "\r\n";
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = kChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(wav.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        return false;
    }
    // Quiet noise: every second differs, and nothing is cheaper to make.
    std::vector<short> second(static_cast<std::size_t>(kRate * kChannels));
    uint32_t x = 2463534242u;
    bool ok = true;
    for (int s = 0; s < kSeconds && ok; ++s) {
        for (short& v : second) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            v = static_cast<short>(static_cast<int>(x % 4001) - 2000);
        }
        ok = sf_writef_short(f, second.data(), kRate) == kRate;
    }
    return sf_close(f) == 0 && ok;
}

// Passes the row player's sound on and notes when the device first took some.
class FirstPull final : public platform::playback::PcmSource {
  public:
    platform::playback::PcmSource* source = nullptr;
    Clock::time_point at{};
    std::size_t pull(float* out, std::size_t frames) override {
        if (at == Clock::time_point{}) {
            at = Clock::now();
        }
        return source->pull(out, frames);
    }
};

class TimedOutput final : public platform::playback::AudioOut {
  public:
    explicit TimedOutput(FirstPull& tap)
        : real_(platform::playback::makeDefaultAudioOut()), tap_(tap) {
        real_->setFinishedHandler([this] { finished(); });
    }
    platform::Status prepare(const platform::playback::PcmFormat& f) override {
        return real_->prepare(f);
    }
    void play(platform::playback::PcmSource& source) override {
        tap_.source = &source;
        tap_.at = {};
        real_->play(tap_);
    }
    void stop() override { real_->stop(); }
    bool playing() const override { return real_->playing(); }
    double secondsPlayed() const override { return real_->secondsPlayed(); }

  private:
    std::unique_ptr<platform::playback::AudioOut> real_;
    FirstPull& tap_;
};

}  // namespace

int main(int argc, char** argv) {
    if (getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const char* tmp = getenv("TMPDIR");
    std::string folder =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/cuelark-bench-review-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::printf("not measured: cannot make a folder in %s\n", folder.c_str());
        return 1;
    }
    struct Remove {
        std::string path;
        ~Remove() { std::filesystem::remove_all(path); }
    } remove{folder};
    const std::string script = folder + "/hour.txt";
    const std::string wav = folder + "/hour.wav";
    const auto made = Clock::now();
    if (!makeRecording(script, wav)) {
        std::printf("not measured: cannot write %s\n", wav.c_str());
        return 1;
    }
    std::printf("made %s (%.0f MB) and %d rows in %.1f s\n", wav.c_str(),
                static_cast<double>(std::filesystem::file_size(wav)) / 1e6, kRows,
                bench::msSince(made) / 1000.0);

    FirstPull tap;
    frmReview::Services services;
    struct NoBoxes final : platform::shell::MessageBoxes {
        int MessageBoxA(const std::string& text, const std::string&, uint32_t) override {
            std::printf("message: %s\n", text.c_str());
            return platform::shell::IDNO;
        }
    } boxes;
    services.boxes = &boxes;
    services.makeOutput = [&tap] { return std::make_unique<TimedOutput>(tap); };
    services.settingsPath = folder + "/study.ini";
    frmReview window(std::move(services));
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        std::printf("the window was not shown\n");
    }

    std::vector<double> opens;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        if (!window.openRecording(script)) {
            std::printf("not measured: the recording did not open\n");
            return 1;
        }
        window.lstRows->viewport()->repaint();
        opens.push_back(bench::msSince(t0));
        QCoreApplication::processEvents();
    }
    const Spread open = spread(opens);
    std::printf("figure open_to_list median_ms=%.1f min_ms=%.1f max_ms=%.1f rows=%d\n", open.median,
                open.min, open.max, kRows);

    if (!window.playbackOffReason().empty()) {
        std::printf("figure space_to_sound not_measured: %s\n", window.playbackOffReason().c_str());
        return 0;
    }
    std::vector<double> latencies;
    for (int k = 0; k < 10; ++k) {
        window.setCurrentRow(k * (kRows / 10) + 5);
        QCoreApplication::processEvents();
        const auto t0 = Clock::now();
        QTest::keyClick(window.lstRows, Qt::Key_Space);
        while (tap.at == Clock::time_point{} && bench::msSince(t0) < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        if (tap.at == Clock::time_point{}) {
            std::printf("figure space_to_sound not_measured: the device took nothing in 10 s\n");
            return 0;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(tap.at - t0).count());
        QTest::keyClick(window.lstRows, Qt::Key_Space);  // stop
        QCoreApplication::processEvents();
    }
    const Spread space = spread(latencies);
    std::printf("figure space_to_sound median_ms=%.1f min_ms=%.1f max_ms=%.1f presses=%zu\n",
                space.median, space.min, space.max, latencies.size());
    return 0;
}
