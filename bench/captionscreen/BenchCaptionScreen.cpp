// Pairs per second through the caption screen, for the three caption styles
// as stations send them (every control code doubled, nulls between captions).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/captionscreen/CaptionScreen.h"
#include "platform/captionscreen/Parity.h"

namespace {

using platform::captionscreen::CaptionScreen;
using platform::captionscreen::withOddParity;
using Pairs = std::vector<std::pair<uint8_t, uint8_t>>;

void control(Pairs& out, uint8_t first, uint8_t second) {
    for (int copy = 0; copy < 2; ++copy) {
        out.emplace_back(withOddParity(first), withOddParity(second));
    }
}

void text(Pairs& out, const char* s) {
    for (; s[0] != 0; s += s[1] != 0 ? 2 : 1) {
        out.emplace_back(withOddParity(static_cast<uint8_t>(s[0])),
                         withOddParity(static_cast<uint8_t>(s[1])));
    }
}

void nulls(Pairs& out, int n) {
    for (int i = 0; i < n; ++i) {
        out.emplace_back(0x80, 0x80);
    }
}

Pairs popOnStream() {
    Pairs out;
    for (int i = 0; i < 50; ++i) {
        control(out, 0x14, 0x20);
        control(out, 0x14, 0x2E);
        control(out, 0x14, 0x50);
        text(out, "THE QUICK BROWN FOX");
        control(out, 0x14, 0x72);
        text(out, "jumps over the lazy dog");
        control(out, 0x14, 0x2F);
        nulls(out, 30);
    }
    return out;
}

Pairs rollUpStream() {
    Pairs out;
    for (int i = 0; i < 50; ++i) {
        control(out, 0x14, 0x26);
        control(out, 0x14, 0x2D);
        control(out, 0x14, 0x70);
        text(out, "AND NOW THE WEATHER FOR");
        nulls(out, 10);
    }
    return out;
}

Pairs paintOnStream() {
    Pairs out;
    for (int i = 0; i < 50; ++i) {
        control(out, 0x14, 0x29);
        control(out, 0x14, 0x70);
        text(out, "PAINTED ONE BY ONE");
        control(out, 0x14, 0x21);
        control(out, 0x11, 0x37);
        control(out, 0x14, 0x24);
        control(out, 0x14, 0x2C);
    }
    return out;
}

void runStream(benchmark::State& state, const Pairs& pairs) {
    CaptionScreen screen;
    for (auto _ : state) {
        for (const auto& [first, second] : pairs) {
            screen.decode(first, second);
        }
        benchmark::DoNotOptimize(screen.changed());
    }
    state.counters["pairs_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * static_cast<int64_t>(pairs.size())),
        benchmark::Counter::kIsRate);
}

void BM_PopOn(benchmark::State& state) {
    runStream(state, popOnStream());
}
void BM_RollUp(benchmark::State& state) {
    runStream(state, rollUpStream());
}
void BM_PaintOn(benchmark::State& state) {
    runStream(state, paintOnStream());
}

}  // namespace

BENCHMARK(BM_PopOn);
BENCHMARK(BM_RollUp);
BENCHMARK(BM_PaintOn);
BENCHMARK_MAIN();
