#pragma once
// An in-memory settings section: missing keys give the default, writes are
// logged in order.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tuner/ChannelTable.h"

struct FakeSettings {
    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, std::string>> writes;

    SettingReader reader() {
        return [this](const std::string& key, const std::string& def) {
            auto it = values.find(key);
            return it == values.end() ? def : it->second;
        };
    }
    SettingWriter writer() {
        return [this](const std::string& key, const std::string& value) {
            values[key] = value;
            writes.emplace_back(key, value);
        };
    }
};
