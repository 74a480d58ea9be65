// Watches the simulated card for a while in real time and prints how late
// each caption frame reached its window and how much CPU watching costs.
//   tvcard_bench [seconds, default 60] [broadcasts folder]
// After a short warm-up, the first half watches channel 3 (a station), the
// second channel 4 (snow).
#include <sndfile.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/tv/SimulatedCard.h"
#include "platform/win/WinQt.h"

using namespace platform::tv;
namespace win = platform::win;

namespace {

SimulatedCard* g_card = nullptr;
std::vector<double> g_lateness;

win::LRESULT captionWindow(win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) {
    if (msg == kMsgCaptionPair) {
        const int64_t frame = g_card->line21().nextFrame() - 1;
        const double due = g_card->programmeStart() + platform::scc::frameTime(frame);
        g_lateness.push_back(platform::programClock().now() - due);
    }
    return 0;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A one-minute station for machines without the sample broadcasts.
std::string makeStation() {
    std::string dir = (std::filesystem::temp_directory_path() / "tvcard-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        return {};
    }
    const std::filesystem::path folder = std::filesystem::path(dir) / "3";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "title.txt") << "Bench\n";
    std::ofstream scc(folder / "captions.scc");
    scc << "Scenarist_SCC V1.0\n\n";
    for (int s = 1; s < 60; s += 3) {
        scc << "00:00:" << (s < 10 ? "0" : "") << s
            << ":00\t9420 9420 94ae 94ae 9470 9470 c849 942f 942f\n\n";
    }
    SF_INFO info{};
    info.samplerate = 16000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open((folder / "sound.wav").c_str(), SFM_WRITE, &info);
    std::vector<float> silence(16000 * 60, 0.0f);
    sf_writef_float(f, silence.data(), static_cast<sf_count_t>(silence.size()));
    sf_close(f);
    return dir;
}

void report(const char* phase, std::vector<double> late, double cpu, double wall) {
    std::sort(late.begin(), late.end());
    const auto at = [&](double q) {
        return late.empty()
                   ? 0.0
                   : late[static_cast<std::size_t>(q * static_cast<double>(late.size() - 1))];
    };
    std::printf(
        "%-8s frames %7zu  lateness ms: median %6.3f  p99 %6.3f  max %7.3f   CPU %5.2f%% of one "
        "core\n",
        phase, late.size(), 1000 * at(0.5), 1000 * at(0.99),
        1000 * (late.empty() ? 0.0 : late.back()), 100.0 * cpu / wall);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const double phaseSeconds = (argc > 1 ? std::max(2.0, std::atof(argv[1])) : 60.0) / 2;
    std::string root = argc > 2 ? argv[2] : SimulatedCard::defaultBroadcastsRoot();
    if (!std::filesystem::exists(std::filesystem::path(root) / "3")) {
        root = makeStation();
    }

    SimulatedCard card;
    g_card = &card;
    card.setBroadcastsRoot(root);
    QWidget mainWindow;
    mainWindow.resize(631, 478);
    mainWindow.show();
    const win::HWND main = win::registerWidget(&mainWindow);
    const win::HWND captions = win::RegisterWindow(&captionWindow);
    if (!card.DVALoad(0)) {
        std::fprintf(stderr, "card did not load\n");
        return 1;
    }
    const win::HWND video = card.CreateVideoWindow(main, 0, Rect{0, 35, 626, 438});
    int32_t zero = 0, magic = 123;
    win::SendMessageA(video, kMsgStartPicture, 0, reinterpret_cast<win::LPARAM>(&zero));
    card.DVAAudioSetVolume(0, 500);
    card.DVASetProperty(0, kPropCaptionDisplay, 1);
    win::SendMessageA(video, kMsgCaptionTarget, captions, reinterpret_cast<win::LPARAM>(&magic));
    card.DVATuneSetChannel(0, 3);
    std::printf("watching %s, %.0f s per phase, sound %s\n", root.c_str(), phaseSeconds,
                card.soundPlaying() ? "playing" : "off (no output device)");

    // A few seconds of warm-up (the stations are resampled for the sound
    // device then), then a station whose frames are timed, then snow.
    constexpr int kWarmUpMs = 4000;
    double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const auto phaseMs = static_cast<int>(phaseSeconds * 1000);
    const auto elapsed = [&] { return static_cast<double>(wall.elapsed()) / 1000; };
    QTimer::singleShot(kWarmUpMs, [&] {
        report("warm-up", g_lateness, cpuSeconds() - cpu0, elapsed());
        g_lateness.clear();
        cpu0 = cpuSeconds();
        wall.restart();
        QTimer::singleShot(phaseMs, [&] {
            report("station", g_lateness, cpuSeconds() - cpu0, elapsed());
            card.DVATuneSetChannel(0, 4);
            cpu0 = cpuSeconds();
            wall.restart();
            QTimer::singleShot(phaseMs, [&] {
                report("snow", {}, cpuSeconds() - cpu0, elapsed());
                app.quit();
            });
        });
    });
    app.exec();
    win::SendMessageA(video, kMsgStopAll, 0, reinterpret_cast<win::LPARAM>(&zero));
    card.DVAFree();
    return 0;
}
