#include "platform/tv/net/SourceChannels.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "platform/tv/stream/SlotMap.h"

namespace platform::tv::net {
namespace {

bool isRecording(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".ts" || ext == ".m2ts" || ext == ".mov" || ext == ".mp4";
}

void sortInGuideOrder(std::vector<SourceChannel>& channels) {
    std::stable_sort(channels.begin(), channels.end(),
                     [](const SourceChannel& a, const SourceChannel& b) {
                         return stream::guideOrderLess(a.key, b.key);
                     });
}

}  // namespace

std::vector<SourceChannel> channelsOfLineup(const stream::Lineup& lineup) {
    std::vector<SourceChannel> out;
    for (const stream::LineupChannel& c : lineup.channels) {
        if (findChannel(out, c.guideNumber) != nullptr) {
            continue;  // a tuner lists a programme once; a second entry adds nothing
        }
        out.push_back({c.guideNumber, c.guideNumber, c.guideName, c.url, c.drm});
    }
    sortInGuideOrder(out);
    return out;
}

std::vector<SourceChannel> channelsOfPlaylist(const stream::Playlist& playlist) {
    std::vector<SourceChannel> out;
    std::map<std::string, int> seen;
    for (const stream::PlaylistEntry& e : playlist.entries) {
        const int n = ++seen[e.name];
        const std::string key = n == 1 ? e.name : e.name + " (" + std::to_string(n) + ")";
        out.push_back({key, "", key, e.url, false});
    }
    return out;
}

Result<std::vector<SourceChannel>> channelsOfFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        return Error{"Cannot read the folder '" + folder + "': " + ec.message()};
    }
    std::vector<SourceChannel> out;
    for (const std::filesystem::directory_entry& entry : it) {
        if (!entry.is_regular_file(ec) || !isRecording(entry.path())) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        out.push_back({name, "", name, entry.path().string(), false});
    }
    sortInGuideOrder(out);
    return out;
}

std::vector<std::string> keysOf(const std::vector<SourceChannel>& channels) {
    std::vector<std::string> keys;
    keys.reserve(channels.size());
    for (const SourceChannel& c : channels) {
        keys.push_back(c.key);
    }
    return keys;
}

const SourceChannel* findChannel(const std::vector<SourceChannel>& channels,
                                 const std::string& key) {
    const auto it = std::find_if(channels.begin(), channels.end(),
                                 [&](const SourceChannel& c) { return c.key == key; });
    return it == channels.end() ? nullptr : &*it;
}

std::string tuningLabel(int slot, const SourceChannel& channel) {
    std::string label = std::to_string(slot) + " \u00b7 ";
    if (!channel.number.empty()) {
        label += channel.number;
        if (!channel.name.empty()) {
            label += " " + channel.name;
        }
    } else {
        label += channel.name;
    }
    return label;
}

}  // namespace platform::tv::net
