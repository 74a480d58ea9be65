// streammaker: makes a station folder into an MPEG transport stream as a
// broadcaster or a network tuner sends it, its captions inside the video.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/tv/Station.h"
#include "tools/streammaker/StreamMaker.h"
#include "tools/streammaker/StreamOptions.h"

int main(int argc, char** argv) {
    using namespace tools::stream;
    // The encoders' statistics are noise here; their errors still show.
    av_log_set_level(AV_LOG_ERROR);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s", kUsage);
        return 0;
    }
    platform::Result<CommandLine> line = parseCommandLine(args);
    if (!line) {
        std::fprintf(stderr, "streammaker: %s\n%s", line.message().c_str(), kUsage);
        return 1;
    }
    std::ostringstream warnings;
    platform::Result<platform::tv::Station> station =
        platform::tv::loadStation(line.value().station, 1, warnings);
    if (!warnings.str().empty()) {
        std::fprintf(stderr, "%s", warnings.str().c_str());
    }
    if (!station) {
        std::fprintf(stderr, "streammaker: %s\n", station.message().c_str());
        return 1;
    }
    platform::Result<StreamSummary> made =
        makeStream(station.value(), line.value().options, line.value().output);
    if (!made) {
        std::fprintf(stderr, "streammaker: %s\n", made.message().c_str());
        return 1;
    }
    std::printf("%lld frames, %.2f s, written to %s\n",
                static_cast<long long>(made.value().videoFrames), made.value().seconds,
                line.value().output.c_str());
    return 0;
}
