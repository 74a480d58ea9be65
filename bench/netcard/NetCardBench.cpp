// Real-time figures for the network card, watching a tuner on 127.0.0.1 (the
// fake tuner, started by the caller as a process of its own so that its work
// is not counted here):
//   netcard_bench watch URL SLOT SECONDS
//       CPU while watching (picture decoded, scaled and painted on the
//       offscreen platform, captions drawn, no sound device), pictures a
//       second, how late caption slots leave, memory growth from 10 s on.
//   netcard_bench tune URL SLOT_A SLOT_B TIMES
//       from DVATuneSetChannel to the first picture shown, alternating
//       between two channels.
// Each figure is printed on a line of its own starting with "figure ".
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/Process.h"
#include "platform/scc/Scc.h"
#include "platform/tv/net/NetworkCard.h"
#include "platform/tv/stream/CardSource.h"
#include "platform/win/WinQt.h"

namespace {

using namespace platform::tv;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// Runs the event loop, as the program does (it sleeps between events),
// until done() or seconds of real time have passed.
bool runUntil(const std::function<bool()>& done, double seconds) {
    QEventLoop loop;
    QElapsedTimer t;
    t.start();
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || static_cast<double>(t.elapsed()) > seconds * 1000.0) {
            loop.quit();
        }
    });
    check.start(5);
    if (!done()) {
        loop.exec();
    }
    return done();
}

void runFor(double seconds) {
    runUntil([] { return false; }, seconds);
}

std::vector<double> g_lateness;  // ms
net::NetworkCard* g_card = nullptr;
bool g_measuring = false;

platform::win::LRESULT captionWindow(platform::win::HWND, platform::win::UINT msg,
                                     platform::win::WPARAM, platform::win::LPARAM) {
    if (msg == kMsgCaptionPair && g_measuring && g_card != nullptr) {
        // The pacer has moved on to the next slot: this one was due a frame before.
        const double due = g_card->pacer().nextDue() - platform::scc::kFrameSeconds;
        g_lateness.push_back((platform::programClock().now() - due) * 1000.0);
    }
    return 0;
}

struct Watcher {
    QTemporaryDir dir;
    QWidget parent;
    std::unique_ptr<net::NetworkCard> card;

    explicit Watcher(const std::string& url) {
        platform::Result<stream::CardSource> source = stream::parseCardSource(url);
        if (!source) {
            std::fprintf(stderr, "%s\n", source.message().c_str());
            std::exit(2);
        }
        card = std::make_unique<net::NetworkCard>(
            source.value(), dir.filePath(QStringLiteral("tvcard.ini")).toStdString());
        card->setSoundEnabled(false);
        g_card = card.get();
        parent.resize(626, 403);
        const platform::win::HWND main = platform::win::registerWidget(&parent);
        if (!card->DVALoad(0)) {
            std::exit(2);
        }
        const platform::win::HWND video = card->CreateVideoWindow(main, 0, Rect{0, 0, 626, 403});
        int32_t zero = 0;
        int32_t magic = 123;
        platform::win::SendMessageA(video, kMsgStartPicture, 0,
                                    reinterpret_cast<platform::win::LPARAM>(&zero));
        card->DVASetProperty(0, kPropCaptionDisplay, 1);
        const platform::win::HWND target = platform::win::RegisterWindow(&captionWindow);
        platform::win::SendMessageA(video, kMsgCaptionTarget, target,
                                    reinterpret_cast<platform::win::LPARAM>(&magic));
        parent.show();
    }
    // The first picture after tuning slot, in milliseconds; -1 if none within 10 s.
    double tune(int slot) {
        const int64_t before = card->picturesShown();
        QElapsedTimer t;
        t.start();
        card->DVATuneSetChannel(0, static_cast<int16_t>(slot));
        if (!runUntil([&] { return card->picturesShown() > before; }, 10.0)) {
            std::fprintf(stderr, "no picture on slot %d within 10 s: %s\n", slot,
                         card->notice().c_str());
            return -1.0;
        }
        return static_cast<double>(t.nsecsElapsed()) / 1e6;
    }
};

int watch(const std::string& url, int slot, double seconds) {
    Watcher w(url);
    runUntil([&] { return w.card->channelsKnown(); }, 10.0);
    if (w.tune(slot) < 0) {
        return 1;
    }
    runFor(std::min(10.0, seconds / 6));  // settled: buffers filled, sizes chosen
    const long rssFrom = bench::statusKb("VmRSS:");
    const double cpu0 = cpuSeconds();
    const int64_t pictures0 = w.card->picturesShown();
    QElapsedTimer wall;
    wall.start();
    g_measuring = true;
    runFor(seconds);
    g_measuring = false;
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = (cpuSeconds() - cpu0) / elapsed * 100.0;
    const double fps = static_cast<double>(w.card->picturesShown() - pictures0) / elapsed;
    const long rssTo = bench::statusKb("VmRSS:");
    std::printf(
        "figure watching seconds=%.0f cpu_pct=%.1f pictures_per_s=%.2f rss_kib=%ld "
        "rss_growth_kib=%ld\n",
        elapsed, cpu, fps, rssTo, rssTo - rssFrom);
    std::printf("figure slots count=%zu median_ms=%.2f p99_ms=%.2f max_ms=%.2f\n",
                g_lateness.size(), percentile(g_lateness, 0.5), percentile(g_lateness, 0.99),
                percentile(g_lateness, 1.0));
    return 0;
}

int tune(const std::string& url, int a, int b, int times) {
    Watcher w(url);
    runUntil([&] { return w.card->channelsKnown(); }, 10.0);
    std::vector<double> ms;
    for (int i = 0; i < times; ++i) {
        const double t = w.tune(i % 2 == 0 ? a : b);
        if (t < 0) {
            return 1;
        }
        ms.push_back(t);
        runFor(1.0);
    }
    std::printf("figure tuning times=%d median_ms=%.0f min_ms=%.0f max_ms=%.0f\n", times,
                percentile(ms, 0.5), percentile(ms, 0.0), percentile(ms, 1.0));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "watch") {
        return watch(args[1], std::stoi(args[2]), std::stod(args[3]));
    }
    if (args.size() == 5 && args[0] == "tune") {
        return tune(args[1], std::stoi(args[2]), std::stoi(args[3]), std::stoi(args[4]));
    }
    std::fprintf(stderr,
                 "usage: netcard_bench watch URL SLOT SECONDS\n"
                 "       netcard_bench tune URL SLOT_A SLOT_B TIMES\n");
    return 64;
}
