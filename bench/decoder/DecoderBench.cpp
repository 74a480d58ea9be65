// How fast caption pairs are decoded, and how fast a long script is written.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"

namespace {

using Pair = std::pair<int32_t, int32_t>;

void addControl(std::vector<Pair>& s, int32_t high, int32_t low) {
    s.emplace_back(high, low);
    s.emplace_back(high, low);
}

void addText(std::vector<Pair>& s, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); i += 2) {
        s.emplace_back(text[i], i + 1 < text.size() ? text[i + 1] : 0);
    }
}

// An hour-like mix: pop-on captions with mid-row codes and specials, null
// padding between them, and a stretch of roll-up captions now and then.
std::vector<Pair> broadcastStream(std::size_t captions) {
    std::vector<Pair> s;
    for (std::size_t i = 0; i < captions; ++i) {
        addControl(s, 0x14, 0x20);
        addControl(s, 0x14, 0x2E);
        addControl(s, 0x14, 0x70);
        addText(s, "THE QUICK BROWN FOX");
        addControl(s, 0x11, 0x2E);
        addText(s, "JUMPS OVER");
        addControl(s, 0x13, 0x50);
        addText(s, "THE LAZY DOG ");
        addControl(s, 0x11, 0x35);
        addControl(s, 0x14, 0x2C);
        addControl(s, 0x14, 0x2F);
        for (int pad = 0; pad < 20; ++pad) {
            s.emplace_back(0, 0);
        }
        if (i % 10 == 9) {
            addControl(s, 0x14, 0x25);
            addText(s, "ROLL-UP TEXT THAT IS NOT KEPT");
            addControl(s, 0x14, 0x2D);
        }
    }
    return s;
}

// A live programme: three-row roll-up, a line every two seconds or so as a
// captioner types it, the roll-up code, carriage return and preamble sent
// twice before each, an erase of the screen now and then.
std::vector<Pair> rollUpStream(std::size_t lines) {
    static const char* const kLines[] = {
        "GOOD EVENING AND WELCOME TO", "THE LATE NEWS. OUR TOP STORY",
        "TONIGHT: THE BRIDGE REOPENS", "AFTER TWO YEARS OF WORK.",
        ">> IT'S A GREAT DAY FOR US.", "TRAFFIC WAS LIGHT THIS MORNING",
    };
    std::vector<Pair> s;
    for (std::size_t i = 0; i < lines; ++i) {
        addControl(s, 0x14, 0x26);
        addControl(s, 0x14, 0x2D);
        addControl(s, 0x14, 0x70);
        addText(s, kLines[i % std::size(kLines)]);
        for (int pad = 0; pad < 40; ++pad) {
            s.emplace_back(0, 0);
        }
        if (i % 20 == 19) {
            addControl(s, 0x14, 0x2C);
        }
    }
    return s;
}

void decodeRounds(benchmark::State& state, const std::vector<Pair>& stream, bool allModes) {
    platform::FileTable files;
    platform::ManualClock clock(100.0);
    cldCCFactory cc(clock, files);
    cc.setAllCaptionModes(allModes);
    files.openForOutput(1, "/dev/null");
    for (auto _ : state) {
        cc.init(1);  // the previous round's script goes to /dev/null
        for (const Pair& p : stream) {
            cc.decode(p.first, p.second);
            clock.advance(1.0 / 30.0);
        }
    }
    cc.init(0);
    files.close(1);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
    state.counters["pairs"] = static_cast<double>(stream.size());
}

// Pop-on captions, the same stream, with roll-up and paint-on recorded too.
void BM_DecodeAllModes(benchmark::State& state) {
    decodeRounds(state, broadcastStream(static_cast<std::size_t>(state.range(0))), true);
}
BENCHMARK(BM_DecodeAllModes)->Arg(20000)->Unit(benchmark::kMillisecond);

// A roll-up programme with roll-up recorded: every line a row.
void BM_RollUpAllModes(benchmark::State& state) {
    const auto lines = static_cast<std::size_t>(state.range(0));
    decodeRounds(state, rollUpStream(lines), true);
    state.counters["rows_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * static_cast<int64_t>(lines)),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RollUpAllModes)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    const std::vector<Pair> stream = broadcastStream(static_cast<std::size_t>(state.range(0)));
    platform::FileTable files;
    platform::ManualClock clock(100.0);
    cldCCFactory cc(clock, files);
    files.openForOutput(1, "/dev/null");
    for (auto _ : state) {
        cc.init(1);  // the previous round's script goes to /dev/null
        for (const Pair& p : stream) {
            cc.decode(p.first, p.second);
        }
        clock.advance(1.0);
    }
    cc.init(0);
    files.close(1);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
    state.counters["pairs"] = static_cast<double>(stream.size());
}
BENCHMARK(BM_Decode)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Decoding fills the script; only the write at the stop is timed.
void BM_WriteScript(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    std::vector<Pair> stream = broadcastStream(rows + 1);
    platform::FileTable files;
    platform::ManualClock clock(100.0);
    cldCCFactory cc(clock, files);
    const std::string path = "/tmp/cuelark-bench-script-" + std::to_string(::getpid()) + ".txt";
    int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        files.openForOutput(1, path);
        cc.init(1);
        for (std::size_t i = 0; i < stream.size(); ++i) {
            cc.decode(stream[i].first, stream[i].second);
            if (i % 64 == 0) {
                clock.advance(0.37);
                cc.check();
            }
        }
        state.ResumeTiming();
        cc.init(0);
        state.PauseTiming();
        files.close(1);
        state.ResumeTiming();
    }
    if (!cc.lastWriteStatus()) {
        state.SkipWithError(cc.lastWriteStatus().message().c_str());
    }
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f != nullptr) {
            std::fseek(f, 0, SEEK_END);
            bytes = std::ftell(f);
            std::fclose(f);
        }
        std::remove(path.c_str());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteScript)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
