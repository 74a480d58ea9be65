#include "TunerStream.h"

#include <sstream>

#include "platform/tv/Station.h"
#include "tests/support/TempDir.h"
#include "tools/streammaker/StreamMaker.h"

namespace tunertest {

std::shared_ptr<const faketuner::TsFile> shortStream() {
    static std::shared_ptr<const faketuner::TsFile> made = [] {
        testsupport::TempDir dir;
        platform::tv::Station station;
        station.title = "Tuner Test";
        station.pairs.assign(static_cast<std::size_t>(kStreamSeconds * 30000 / 1001), 0x8080);
        station.sampleRate = 8000;
        station.channels = 1;
        station.samples.assign(static_cast<std::size_t>(kStreamSeconds * 8000), 0.0f);
        tools::stream::StreamOptions o;
        o.width = 176;
        o.height = 144;
        const std::string path = dir.file("short.ts");
        platform::Result<tools::stream::StreamSummary> s =
            tools::stream::makeStream(station, o, path);
        if (!s) {
            throw std::runtime_error(s.message());
        }
        platform::Result<faketuner::TsFile> ts = faketuner::readTsFile(path);
        if (!ts) {
            throw std::runtime_error(ts.message());
        }
        return std::make_shared<const faketuner::TsFile>(std::move(ts.value()));
    }();
    return made;
}

}  // namespace tunertest
