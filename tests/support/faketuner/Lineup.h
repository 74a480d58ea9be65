#pragma once
// The fake tuner's channels: a guide number and name, the transport stream
// it plays, and the lineup's tags. From a folder of .ts files (named after
// their guide numbers, or listed in the folder's lineup.json), or from
// station folders made into streams when the tuner starts.
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "TsFile.h"
#include "platform/core/Result.h"
#include "tools/streammaker/StreamOptions.h"

namespace faketuner {

struct Channel {
    std::string guideNumber;  // "5" or "5.1"
    std::string guideName;
    std::shared_ptr<const TsFile> ts;
    bool drm = false;
    bool hd = false;
};

struct ChannelSpec {
    std::string guideNumber;
    std::string guideName;
    std::string file;  // a name within the folder
    bool drm = false;
    bool hd = false;
};

// Digits, or digits, a dot and digits; short enough for a file name.
bool isGuideNumber(std::string_view s);

// A folder's lineup.json: an array of objects with GuideNumber and optionally
// GuideName, File (default <GuideNumber>.ts), Tags ("drm" marks a protected
// channel) and HD (0 or 1). The error names the file and the entry.
platform::Result<std::vector<ChannelSpec>> parseLineupConfig(std::string_view json,
                                                             const std::string& source);

// The channels of a folder: those its lineup.json lists, or without one every
// <guide number>.ts in it, named "Channel <guide number>".
platform::Result<std::vector<Channel>> loadChannelFolder(const std::string& dir);

// Each station folder under stationsDir (named by channel number) made into
// <number>.ts in workDir with the stream maker, named by its title. Progress
// lines go to log.
platform::Result<std::vector<Channel>> makeStationChannels(
    const std::string& stationsDir, const std::string& workDir,
    const tools::stream::StreamOptions& options, std::ostream& log);

// In guide order: by major number, then minor.
void sortByGuideNumber(std::vector<Channel>& channels);

}  // namespace faketuner
