// bench_scc: how fast an hour of pop-on captions is read, and how fast the
// script maker plays it (one pair per frame, about 108,000 frames).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "platform/scc/Scc.h"
#include "tools/scriptmaker/ScriptMaker.h"

namespace {

uint8_t odd(int b) {
    return static_cast<uint8_t>(__builtin_popcount(b) % 2 == 0 ? b | 0x80 : b);
}

// A caption every three seconds for an hour: loaded, shown, erased.
std::vector<platform::scc::CaptionWord> anHourOfCaptions() {
    std::vector<platform::scc::CaptionWord> words;
    for (int64_t start = 30; start + 90 < 107892; start += 90) {
        int64_t f = start;
        const auto add = [&](int a, int b) { words.push_back({f++, odd(a), odd(b)}); };
        add(0x14, 0x20), add(0x14, 0x20), add(0x14, 0x2E), add(0x14, 0x2E);
        add(0x14, 0x70), add(0x14, 0x70);
        for (int i = 0; i < 14; ++i) {
            add('a' + i % 26, 'b' + i % 25);
        }
        f = start + 45;
        add(0x14, 0x2C), add(0x14, 0x2C), add(0x14, 0x2F), add(0x14, 0x2F);
        f = start + 85;
        add(0x14, 0x2C), add(0x14, 0x2C);
    }
    return words;
}

void BM_ParseAnHour(benchmark::State& state) {
    const std::string text = platform::scc::formatScc(anHourOfCaptions());
    for (auto _ : state) {
        auto track = platform::scc::parseScc(text, "hour.scc");
        benchmark::DoNotOptimize(track);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["file_kB"] = static_cast<double>(text.size()) / 1024.0;
}
BENCHMARK(BM_ParseAnHour)->Unit(benchmark::kMillisecond);

void BM_ScriptOfAnHour(benchmark::State& state) {
    platform::scc::CaptionTrack track;
    track.words = anHourOfCaptions();
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench_scc_" + std::to_string(::getpid()) + ".txt"))
                                 .string();
    int64_t rows = 0;
    for (auto _ : state) {
        auto summary = tools::makeScript(track, path);
        rows = summary ? summary.value().rows : -1;
    }
    std::filesystem::remove(path);
    const int64_t frames = track.words.back().frame + 1;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * frames);
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ScriptOfAnHour)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
