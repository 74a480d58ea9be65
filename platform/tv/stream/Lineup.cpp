#include "platform/tv/stream/Lineup.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace platform::tv::stream {

namespace {

using nlohmann::json;

std::optional<json> parseDocument(std::string_view text) {
    json doc = json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded()) {
        return std::nullopt;
    }
    return doc;
}

// Tuners differ in what they quote: a number may come as "1" and a
// GuideNumber as 2.1.
std::string text(const json& obj, const char* key) {
    const auto it = obj.find(key);
    if (it == obj.end()) {
        return {};
    }
    if (it->is_string()) {
        return it->get<std::string>();
    }
    if (it->is_number_integer()) {
        return std::to_string(it->get<int64_t>());
    }
    if (it->is_number()) {
        return it->dump();
    }
    return {};
}

bool flag(const json& obj, const char* key) {
    const auto it = obj.find(key);
    if (it == obj.end()) {
        return false;
    }
    if (it->is_boolean()) {
        return it->get<bool>();
    }
    if (it->is_number()) {
        return it->get<double>() != 0.0;
    }
    if (it->is_string()) {
        const std::string s = it->get<std::string>();
        return s == "1" || s == "true" || s == "True" || s == "yes";
    }
    return false;
}

int number(const json& obj, const char* key) {
    const auto it = obj.find(key);
    double v = 0.0;
    if (it == obj.end()) {
        return 0;
    }
    if (it->is_number()) {
        v = it->get<double>();
    } else if (it->is_string()) {
        const std::string s = it->get<std::string>();
        char* end = nullptr;
        v = std::strtod(s.c_str(), &end);
        if (end == s.c_str()) {
            return 0;
        }
    } else if (it->is_boolean()) {
        return it->get<bool>() ? 1 : 0;
    }
    if (!std::isfinite(v)) {
        return 0;
    }
    constexpr double kMost = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(v, -kMost, kMost));
}

void readTags(const json& entry, LineupChannel& ch) {
    std::vector<std::string> tags;
    if (const auto it = entry.find("Tags"); it != entry.end()) {
        if (it->is_string()) {
            const std::string all = it->get<std::string>();
            std::size_t from = 0;
            while (from <= all.size()) {
                std::size_t comma = all.find(',', from);
                if (comma == std::string::npos) {
                    comma = all.size();
                }
                tags.push_back(all.substr(from, comma - from));
                from = comma + 1;
            }
        } else if (it->is_array()) {
            for (const json& t : *it) {
                if (t.is_string()) {
                    tags.push_back(t.get<std::string>());
                }
            }
        }
    }
    for (std::string& t : tags) {
        t.erase(0, t.find_first_not_of(" \t"));
        t.erase(t.find_last_not_of(" \t") + 1);
        std::transform(t.begin(), t.end(), t.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        ch.drm = ch.drm || t == "drm";
        ch.favorite = ch.favorite || t == "favorite";
    }
    ch.drm = ch.drm || flag(entry, "DRM");
    ch.favorite = ch.favorite || flag(entry, "Favorite");
}

}  // namespace

Result<TunerDevice> parseDiscover(std::string_view json) {
    const std::optional<nlohmann::json> doc = parseDocument(json);
    if (!doc || !doc->is_object()) {
        return Error{"The tuner's discover.json is not a device description"};
    }
    TunerDevice d;
    d.friendlyName = text(*doc, "FriendlyName");
    d.modelNumber = text(*doc, "ModelNumber");
    d.deviceId = text(*doc, "DeviceID");
    d.baseUrl = text(*doc, "BaseURL");
    d.lineupUrl = text(*doc, "LineupURL");
    d.tunerCount = std::max(0, number(*doc, "TunerCount"));
    return d;
}

Result<Lineup> parseLineup(std::string_view json) {
    const std::optional<nlohmann::json> doc = parseDocument(json);
    if (!doc || !doc->is_array()) {
        return Error{"The tuner's lineup.json is not a list of channels"};
    }
    Lineup lineup;
    for (const nlohmann::json& entry : *doc) {
        if (!entry.is_object()) {
            ++lineup.skipped;
            continue;
        }
        LineupChannel ch;
        ch.guideNumber = text(entry, "GuideNumber");
        ch.url = text(entry, "URL");
        if (ch.guideNumber.empty() || ch.url.empty()) {
            ++lineup.skipped;
            continue;
        }
        ch.guideName = text(entry, "GuideName");
        ch.videoCodec = text(entry, "VideoCodec");
        ch.audioCodec = text(entry, "AudioCodec");
        ch.hd = flag(entry, "HD");
        readTags(entry, ch);
        lineup.channels.push_back(std::move(ch));
    }
    return lineup;
}

Result<LineupStatus> parseLineupStatus(std::string_view json) {
    const std::optional<nlohmann::json> doc = parseDocument(json);
    if (!doc || !doc->is_object()) {
        return Error{"The tuner's lineup_status.json is not a scan status"};
    }
    LineupStatus s;
    s.scanInProgress = flag(*doc, "ScanInProgress");
    s.scanPossible = flag(*doc, "ScanPossible");
    s.progress = std::clamp(number(*doc, "Progress"), 0, 100);
    s.found = std::max(0, number(*doc, "Found"));
    s.source = text(*doc, "Source");
    if (const auto it = doc->find("SourceList"); it != doc->end() && it->is_array()) {
        for (const nlohmann::json& v : *it) {
            if (v.is_string()) {
                s.sourceList.push_back(v.get<std::string>());
            }
        }
    }
    return s;
}

}  // namespace platform::tv::stream
