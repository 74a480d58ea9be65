#pragma once
// A card that tunes nothing: it logs the channels it is told to tune and, when
// scanning, reports the stations it was given, checking the table meanwhile.
#include <functional>
#include <set>
#include <vector>

#include "platform/tv/TvCard.h"

struct LoggingCard final : platform::tv::TvCard {
    std::vector<int> tuned;
    int scans = 0;
    int32_t channelCount = 62;
    std::set<int32_t> stations;
    std::function<void()> beforeScan;  // runs inside the scan call, before any callback

    platform::Status DVALoad(intptr_t) override { return {}; }
    int32_t DVATuneChannels(int32_t) override { return channelCount * 65536; }
    int32_t DVAAudioSetVolume(int32_t, int32_t) override { return 0; }
    int32_t DVASetProperty(int32_t, int32_t, int32_t) override { return 0; }
    int32_t DVATuneSetChannel(int32_t, int16_t channel) override {
        tuned.push_back(channel);
        return 0;
    }
    int32_t DVATuneScan(int32_t, platform::tv::ScanCallback callback) override {
        ++scans;
        if (beforeScan) {
            beforeScan();
        }
        for (int32_t ch = 1; ch <= channelCount; ++ch) {
            callback(ch, 0, stations.count(ch) ? 1 : 0);
        }
        return 0;
    }
    int32_t DVAFree() override { return 0; }
    platform::win::HWND CreateVideoWindow(platform::win::HWND, intptr_t,
                                          const platform::tv::Rect&) override {
        return 0;
    }
};
