#include "TestTuner.h"

#include <QTcpServer>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "platform/core/ProfileFile.h"

namespace nettest {

std::string sampleStream(const std::string& number) {
    return std::string(CUELARK_TEST_STREAMS) + "/" + number + ".ts";
}

const std::vector<faketuner::Channel>& sampleChannels() {
    // Made by the build (streammaker), so that every test process reads them.
    static const std::vector<faketuner::Channel> channels = [] {
        std::vector<faketuner::Channel> made;
        for (const char* number : {"3", "5"}) {
            const std::string ts = sampleStream(number);
            platform::Result<faketuner::TsFile> file = faketuner::readTsFile(ts);
            if (!file) {
                std::cerr << "cannot read the test channel: " << file.message() << "\n";
                std::abort();
            }
            std::ifstream title(std::string(CUELARK_SOURCE_DIR) + "/assets/broadcasts/" + number +
                                "/title.txt");
            faketuner::Channel c;
            c.guideNumber = number;
            std::getline(title, c.guideName);
            c.ts = std::make_shared<const faketuner::TsFile>(std::move(file.value()));
            made.push_back(std::move(c));
        }
        return made;
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
