#include "Lineup.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/core/WholeFile.h"

namespace faketuner {
namespace fs = std::filesystem;
namespace {

std::pair<long, long> guideOrder(const std::string& g) {
    long major = 0;
    long minor = -1;
    const std::size_t dot = g.find('.');
    std::from_chars(g.data(), g.data() + (dot == std::string::npos ? g.size() : dot), major);
    if (dot != std::string::npos) {
        std::from_chars(g.data() + dot + 1, g.data() + g.size(), minor);
    }
    return {major, minor};
}

platform::Error entryError(const std::string& source, std::size_t entry, const std::string& why) {
    return platform::Error{"'" + source + "', entry " + std::to_string(entry + 1) + ": " + why};
}

bool isPlainFileName(const std::string& s) {
    return !s.empty() && s != "." && s != ".." && s.find('/') == std::string::npos &&
           s.find('\0') == std::string::npos;
}

platform::Result<Channel> openChannel(const std::string& dir, const ChannelSpec& spec) {
    platform::Result<TsFile> ts = readTsFile((fs::path(dir) / spec.file).string());
    if (!ts) {
        return platform::Error{ts.message()};
    }
    Channel c;
    c.guideNumber = spec.guideNumber;
    c.guideName = spec.guideName;
    c.ts = std::make_shared<const TsFile>(std::move(ts.value()));
    c.drm = spec.drm;
    c.hd = spec.hd;
    return c;
}

}  // namespace

bool isGuideNumber(std::string_view s) {
    if (s.empty() || s.size() > 12) {
        return false;
    }
    const std::size_t dot = s.find('.');
    const auto digits = [](std::string_view d) {
        return !d.empty() &&
               std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dot == std::string_view::npos) {
        return digits(s);
    }
    return digits(s.substr(0, dot)) && digits(s.substr(dot + 1));
}

platform::Result<std::vector<ChannelSpec>> parseLineupConfig(std::string_view text,
                                                             const std::string& source) {
    const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded()) {
        return platform::Error{"'" + source + "' is not JSON"};
    }
    if (!j.is_array()) {
        return platform::Error{"'" + source + "' is not a list of channels"};
    }
    std::vector<ChannelSpec> specs;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const nlohmann::json& e = j[i];
        if (!e.is_object()) {
            return entryError(source, i, "not an object");
        }
        ChannelSpec s;
        const auto text = [&e](const char* key) -> const nlohmann::json* {
            const auto it = e.find(key);
            return it == e.end() ? nullptr : &*it;
        };
        const nlohmann::json* guide = text("GuideNumber");
        if (guide == nullptr || !guide->is_string() ||
            !isGuideNumber(guide->get_ref<const std::string&>())) {
            return entryError(source, i, "no GuideNumber such as \"5\" or \"5.1\"");
        }
        s.guideNumber = guide->get<std::string>();
        if (!seen.insert(s.guideNumber).second) {
            return entryError(source, i, "GuideNumber " + s.guideNumber + " again");
        }
        s.guideName = "Channel " + s.guideNumber;
        s.file = s.guideNumber + ".ts";
        if (const nlohmann::json* name = text("GuideName")) {
            if (!name->is_string()) {
                return entryError(source, i, "GuideName is not text");
            }
            s.guideName = name->get<std::string>();
        }
        if (const nlohmann::json* file = text("File")) {
            if (!file->is_string() || !isPlainFileName(file->get<std::string>())) {
                return entryError(source, i, "File is not a file name within the folder");
            }
            s.file = file->get<std::string>();
        }
        if (const nlohmann::json* tags = text("Tags")) {
            if (!tags->is_string()) {
                return entryError(source, i, "Tags is not text");
            }
            s.drm = tags->get<std::string>().find("drm") != std::string::npos;
        }
        if (const nlohmann::json* hd = text("HD")) {
            if (!hd->is_number_integer() && !hd->is_boolean()) {
                return entryError(source, i, "HD is not 0 or 1");
            }
            s.hd = hd->is_boolean() ? hd->get<bool>() : hd->get<int64_t>() != 0;
        }
        specs.push_back(std::move(s));
    }
    return specs;
}

platform::Result<std::vector<Channel>> loadChannelFolder(const std::string& dir) {
    std::vector<ChannelSpec> specs;
    const std::string config = (fs::path(dir) / "lineup.json").string();
    platform::Result<platform::FileRead> read = platform::readWholeFile(config);
    if (!read) {
        return platform::Error{read.message()};
    }
    if (read.value().exists) {
        platform::Result<std::vector<ChannelSpec>> parsed =
            parseLineupConfig(read.value().contents, config);
        if (!parsed) {
            return platform::Error{parsed.message()};
        }
        specs = std::move(parsed.value());
    } else {
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
            const fs::path& p = entry.path();
            if (p.extension() == ".ts" && isGuideNumber(p.stem().string())) {
                specs.push_back({p.stem().string(), "Channel " + p.stem().string(),
                                 p.filename().string(), false, false});
            }
        }
        if (ec) {
            return platform::Error{"Cannot read the folder '" + dir + "': " + ec.message()};
        }
    }
    std::vector<Channel> channels;
    for (const ChannelSpec& spec : specs) {
        platform::Result<Channel> c = openChannel(dir, spec);
        if (!c) {
            return platform::Error{c.message()};
        }
        channels.push_back(std::move(c.value()));
    }
    if (channels.empty()) {
        return platform::Error{"No channels in '" + dir + "': expected <guide number>.ts files"};
    }
    sortByGuideNumber(channels);
    return channels;
}

void sortByGuideNumber(std::vector<Channel>& channels) {
    std::stable_sort(channels.begin(), channels.end(), [](const Channel& a, const Channel& b) {
        return guideOrder(a.guideNumber) < guideOrder(b.guideNumber);
    });
}

}  // namespace faketuner
