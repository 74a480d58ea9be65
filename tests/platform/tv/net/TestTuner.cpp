#include "TestTuner.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "platform/core/ProfileFile.h"

namespace nettest {

const std::vector<faketuner::Channel>& sampleChannels() {
    static const std::vector<faketuner::Channel> channels = [] {
        // The stations are copied so that only 3 and 5 are made.
        static QTemporaryDir work;
        const std::string stations = work.filePath(QStringLiteral("stations")).toStdString();
        const std::string source = std::string(CUELARK_SOURCE_DIR) + "/assets/broadcasts/";
        std::filesystem::create_directories(stations);
        for (const char* ch : {"3", "5"}) {
            std::filesystem::copy(source + ch, stations + "/" + ch,
                                  std::filesystem::copy_options::recursive);
        }
        tools::stream::StreamOptions options;
        options.width = 160;
        options.height = 120;
        options.seconds = 4;
        std::ostringstream log;
        platform::Result<std::vector<faketuner::Channel>> made =
            faketuner::makeStationChannels(stations, work.path().toStdString(), options, log);
        if (!made) {
            std::cerr << "cannot make the test channels: " << made.message() << "\n";
            std::abort();
        }
        return made.value();
    }();
    return channels;
}

TestTuner::TestTuner(const platform::Clock& clock, quint16 port, double scanSeconds) {
    faketuner::TunerSettings settings;
    settings.scanSeconds = scanSeconds;
    tuner_ = std::make_unique<faketuner::FakeTuner>(sampleChannels(), settings, clock);
    const platform::Status listening = tuner_->listen(QStringLiteral("127.0.0.1"), port);
    if (!listening) {
        std::cerr << "the fake tuner cannot listen: " << listening.message() << "\n";
        std::abort();
    }
}

std::string TestTuner::url() const {
    return "http://127.0.0.1:" + std::to_string(tuner_->port());
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void writeCardSettings(const std::string& path, const std::string& source,
                       const std::map<int, std::string>& slots) {
    platform::WritePrivateProfileStringA("card", "Source", source, path);
    platform::WritePrivateProfileStringA("card", "SlotsOf", source, path);
    for (const auto& [slot, key] : slots) {
        platform::WritePrivateProfileStringA("slots", std::to_string(slot), key, path);
    }
}

}  // namespace nettest
