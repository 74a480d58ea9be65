// Station folders made into channels with the stream maker.
#include <charconv>
#include <filesystem>
#include <sstream>

#include "Lineup.h"
#include "platform/tv/Station.h"
#include "tools/streammaker/StreamMaker.h"

namespace faketuner {
namespace fs = std::filesystem;

platform::Result<std::vector<Channel>> makeStationChannels(
    const std::string& stationsDir, const std::string& workDir,
    const tools::stream::StreamOptions& options, std::ostream& log) {
    std::vector<Channel> channels;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(stationsDir, ec)) {
        const std::string number = entry.path().filename().string();
        int channel = 0;
        const auto [end, parsed] =
            std::from_chars(number.data(), number.data() + number.size(), channel);
        if (!entry.is_directory() || parsed != std::errc() ||
            end != number.data() + number.size() || channel < 1) {
            continue;
        }
        std::ostringstream warnings;
        platform::Result<platform::tv::Station> station =
            platform::tv::loadStation(entry.path().string(), channel, warnings);
        if (!station) {
            return platform::Error{station.message()};
        }
        const std::string ts = (fs::path(workDir) / (number + ".ts")).string();
        log << "making channel " << number << " from " << entry.path().string() << '\n';
        platform::Result<tools::stream::StreamSummary> made =
            tools::stream::makeStream(station.value(), options, ts);
        if (!made) {
            return platform::Error{made.message()};
        }
        platform::Result<TsFile> file = readTsFile(ts);
        if (!file) {
            return platform::Error{file.message()};
        }
        Channel c;
        c.guideNumber = number;
        c.guideName = station.value().title;
        c.ts = std::make_shared<const TsFile>(std::move(file.value()));
        c.hd = options.height >= 720;
        channels.push_back(std::move(c));
    }
    if (ec) {
        return platform::Error{"Cannot read the folder '" + stationsDir + "': " + ec.message()};
    }
    if (channels.empty()) {
        return platform::Error{"No stations in '" + stationsDir + "'"};
    }
    sortByGuideNumber(channels);
    return channels;
}

}  // namespace faketuner
