// faketuner: a network tuner on the loopback address for trying the network
// card by hand and from end-to-end scripts. Prints its address when ready.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "FakeTuner.h"

namespace {

using namespace faketuner;

constexpr const char* kUsage =
    "usage: faketuner [options] (--channels=FOLDER | --stations=FOLDER)\n"
    "  --channels=FOLDER   <guide number>.ts files, and optionally a lineup.json\n"
    "                      ([{\"GuideNumber\":\"5.1\",\"GuideName\":...,\"File\":...,\n"
    "                      \"Tags\":\"drm\",\"HD\":1}, ...])\n"
    "  --stations=FOLDER   station folders (3/, 5/, ...) made into streams at start\n"
    "  --stream=OPTIONS    streammaker options for --stations, e.g. \"--video=h264\n"
    "                      --rate=59.94p --size=1280x720\"\n"
    "  --address=A         a loopback address to listen on (default 127.0.0.1)\n"
    "  --port=N            port (default 0: any free port, printed on start)\n"
    "  --tuners=N          tuner count (default 2)\n"
    "  --scan-seconds=S    how long a scan takes (default 10)\n"
    "  --empty-lineup      the lineup is empty until a scan has found channels\n"
    "faults, for every stream started (also at /faketuner/faults?NAME=VALUE):\n"
    "  --slow-tune=S       S seconds before the reply\n"
    "  --silent-start=S    headers, then S seconds of nothing\n"
    "  --stall=AT:FOR      at AT seconds into the stream, FOR seconds of data are lost\n"
    "  --drop=N            one packet in N is lost\n"
    "  --pts-jump=AT:BY    timestamps BY seconds later from AT seconds on\n"
    "  --pts-offset=S      S seconds added to every timestamp\n"
    "  --from-start=1      each stream starts at its file's start instead of live\n";

struct Options {
    std::string channels;
    std::string stations;
    std::vector<std::string> stream;
    QString address = "127.0.0.1";
    int port = 0;
    TunerSettings settings;
    Faults faults;
};

std::vector<std::string> splitWords(std::string_view s) {
    std::vector<std::string> words;
    std::string word;
    for (char c : s) {
        if (c == ' ') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

std::optional<std::string> parse(const QStringList& args, Options& o) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const std::string a = args[i].toStdString();
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : a.substr(eq + 1);
        bool ok = true;
        if (name == "--channels") {
            o.channels = value;
        } else if (name == "--stations") {
            o.stations = value;
        } else if (name == "--stream") {
            o.stream = splitWords(value);
        } else if (name == "--address") {
            o.address = QString::fromStdString(value);
        } else if (name == "--port") {
            o.port = QString::fromStdString(value).toInt(&ok);
            ok = ok && o.port >= 0 && o.port <= 65535;
        } else if (name == "--tuners") {
            o.settings.tunerCount = QString::fromStdString(value).toInt(&ok);
            ok = ok && o.settings.tunerCount >= 1 && o.settings.tunerCount <= 8;
        } else if (name == "--scan-seconds") {
            o.settings.scanSeconds = QString::fromStdString(value).toDouble(&ok);
            ok = ok && o.settings.scanSeconds >= 0 && o.settings.scanSeconds < 3600;
        } else if (a == "--empty-lineup") {
            o.settings.lineupBeforeScan = false;
        } else if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            if (platform::Status s = setFault(o.faults, name.substr(2), value); !s) {
                return s.message();
            }
        } else {
            return "unknown argument '" + a + "'";
        }
        if (!ok) {
            return "bad value in '" + a + "'";
        }
    }
    if (o.channels.empty() == o.stations.empty()) {
        return "give either --channels or --stations";
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    Options o;
    if (app.arguments().size() == 2 &&
        (app.arguments()[1] == "--help" || app.arguments()[1] == "-h")) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (const std::optional<std::string> error = parse(app.arguments(), o)) {
        std::fprintf(stderr, "faketuner: %s\n%s", error->c_str(), kUsage);
        return 1;
    }
    QTemporaryDir work;
    platform::Result<std::vector<Channel>> channels = platform::Error{""};
    if (!o.channels.empty()) {
        channels = loadChannelFolder(o.channels);
    } else {
        std::vector<std::string> args = o.stream;
        args.push_back(o.stations);
        args.push_back("unused.ts");
        platform::Result<tools::stream::CommandLine> line = tools::stream::parseCommandLine(args);
        if (!line) {
            std::fprintf(stderr, "faketuner: --stream: %s\n", line.message().c_str());
            return 1;
        }
        channels = makeStationChannels(o.stations, work.path().toStdString(), line.value().options,
                                       std::cerr);
    }
    if (!channels) {
        std::fprintf(stderr, "faketuner: %s\n", channels.message().c_str());
        return 1;
    }
    platform::SteadyClock clock;
    FakeTuner tuner(std::move(channels.value()), o.settings, clock);
    tuner.core().faults() = o.faults;
    if (platform::Status s = tuner.listen(o.address, static_cast<quint16>(o.port)); !s) {
        std::fprintf(stderr, "faketuner: %s\n", s.message().c_str());
        return 1;
    }
    std::printf("faketuner listening on %s\n", tuner.baseUrl().c_str());
    std::fflush(stdout);
    return app.exec();
}
