// What decoding a real TV stream costs the network card's engine: streams
// made now by the stream maker from a sample station (never kept), decoded
// as the card decodes them (every picture scaled for the window, caption
// pairs taken, sound down to 48 kHz stereo into the feed) as fast as the
// machine allows, and the CPU time per second of stream given as a share
// of one core.
//   bench_stream_decode [--streams DIR] [SECONDS] [STATION_FOLDER]
// With --streams, DIR/1080i-mpeg2.ts and DIR/720p-h264.ts (bench/run's bench
// streams) are decoded where they exist instead of being made.
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/tv/Station.h"
#include "platform/tv/stream/ByteSource.h"
#include "platform/tv/stream/StreamAudioFeed.h"
#include "platform/tv/stream/StreamDecoder.h"
#include "tools/streammaker/StreamMaker.h"

namespace {

using namespace platform::tv::stream;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Takes everything at once, as a card that keeps up would: pictures
// handed back for reuse, sound into a real feed.
class BenchSink final : public StreamSink {
  public:
    void event(const DecoderEvent& e) override {
        if (e.kind == DecoderEventKind::Ended || e.kind == DecoderEventKind::Failed) {
            message = e.message;
            done = true;
        }
    }
    void anchored(double) override {}
    void picture(VideoPicture p) override {
        if (pictures++ == 0) {
            firstDue = p.due;
        }
        lastDue = p.due;
        spare = std::move(p.pixels);
    }
    // How long the pictures decoded last.
    double seconds() const {
        return pictures < 2 ? 0.0
                            : (lastDue - firstDue) * static_cast<double>(pictures) /
                                  static_cast<double>(pictures - 1);
    }
    void captionPair(double, LinePair) override { ++pairs; }
    void sound(double due, const float* stereo, std::size_t frames) override {
        feed.write(due, stereo, frames);
    }
    std::vector<uint32_t> pictureBuffer(std::size_t pixels) override {
        std::vector<uint32_t> b = std::move(spare);
        b.resize(pixels);
        return b;
    }

    std::atomic<bool> done{false};
    std::string message;
    int64_t pictures = 0;
    int64_t pairs = 0;
    double firstDue = 0;
    double lastDue = 0;
    StreamAudioFeed feed;
    std::vector<uint32_t> spare;
};

struct Case {
    const char* name;
    tools::stream::StreamOptions options;
};

void run(const Case& c, const platform::tv::Station& station, double seconds,
         const std::string& dir, const std::string& streams) {
    std::string path = streams + "/" + c.name + ".ts";
    std::error_code ec;
    if (streams.empty() || !std::filesystem::is_regular_file(path, ec)) {
        tools::stream::StreamOptions o = c.options;
        o.seconds = seconds;
        path = dir + "/" + c.name + ".ts";
        const auto made = tools::stream::makeStream(station, o, path);
        if (!made) {
            std::cout << c.name << ": cannot make the stream: " << made.message() << '\n';
            return;
        }
    }
    const auto bytes = std::filesystem::file_size(path, ec);

    // Read into memory first, as the card's network side would have it.
    auto queue = std::make_shared<ByteQueue>();
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::vector<uint8_t> chunk(188 * 348);
        for (std::size_t n; f && (n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0;) {
            queue->push(chunk.data(), n);
        }
        if (f) {
            std::fclose(f);
        }
        queue->finish();
    }
    platform::SteadyClock clock;
    BenchSink sink;
    StreamDecoder decoder(clock, sink);
    StreamOptions options;
    options.aheadSeconds = 1e9;  // as fast as it goes: no waiting for the clock
    options.pictureWidth = 640;
    options.pictureHeight = 360;
    const double cpu0 = cpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    decoder.open({queue, "", c.name}, options);
    while (!sink.done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    decoder.close();
    const double cpu = cpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double length = sink.seconds();
    if (length <= 0) {
        std::cout << c.name << ": nothing decoded: " << sink.message << '\n';
        return;
    }
    std::printf("%s: ", c.name);
    std::printf(
        "%.1f%% of one core (%.1f s of stream at %.1f Mb/s: %.2f s CPU, %.2f s wall), "
        "%lld pictures, %lld pairs%s%s\n",
        100.0 * cpu / length, length, 8.0 * static_cast<double>(bytes) / length / 1e6, cpu, wall,
        static_cast<long long>(sink.pictures), static_cast<long long>(sink.pairs),
        sink.message.empty() ? "" : ": ", sink.message.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string streams;
    if (args.size() >= 2 && args[0] == "--streams") {
        streams = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    const double seconds = !args.empty() ? std::atof(args[0].c_str()) : 20.0;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string stationDir =
        args.size() > 1 ? args[1] : (exe.parent_path() / "broadcasts" / "3").string();
    std::ostringstream warnings;
    const auto station = platform::tv::loadStation(stationDir, 3, warnings);
    if (!station || seconds <= 0) {
        std::cerr << "usage: bench_stream_decode [--streams DIR] [SECONDS] [STATION_FOLDER]\n"
                  << (station ? "" : station.message()) << '\n';
        return 2;
    }
    const char* base = std::getenv("TMPDIR");
    std::string dir = std::string(base && *base ? base : "/tmp") + "/cuelark-streambench-XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }

    // As bench/run's bench streams are made: AC-3 sound, x264's superfast.
    Case mpeg2{"1080i-mpeg2", {}};
    mpeg2.options.sound = tools::stream::SoundCodec::Ac3;
    mpeg2.options.width = 1920;
    mpeg2.options.height = 1080;
    mpeg2.options.videoKbps = 15000;
    Case h264{"720p-h264", {}};
    h264.options.video = tools::stream::VideoCodec::H264;
    h264.options.sound = tools::stream::SoundCodec::Ac3;
    h264.options.cadence.rate = tools::stream::FrameRate::Progressive5994;
    h264.options.width = 1280;
    h264.options.height = 720;
    h264.options.videoKbps = 8000;
    h264.options.x264Preset = "superfast";
    for (const Case& c : {mpeg2, h264}) {
        run(c, station.value(), seconds, dir, streams);
    }
    std::filesystem::remove_all(dir, ec);
    return 0;
}
