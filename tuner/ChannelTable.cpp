#include "tuner/ChannelTable.h"

int32_t g_nChannels = 0;
int32_t g_nCurChannel = 0;
ChannelFlags g_bChannels;

void ChannelFlags::reset(int32_t n) {
    m_flags.assign(n > 0 ? static_cast<std::size_t>(n) : 0, true);
}

bool ChannelFlags::at(int32_t channel) const {
    if (channel < 1 || channel > count()) {
        return false;
    }
    return m_flags[static_cast<std::size_t>(channel - 1)];
}

void ChannelFlags::set(int32_t channel, bool inUse) {
    if (channel < 1 || channel > count()) {
        return;
    }
    m_flags[static_cast<std::size_t>(channel - 1)] = inUse;
}

void ChannelFlags::setAll(bool inUse) {
    m_flags.assign(m_flags.size(), inUse);
}

int32_t StartChannel(int32_t n) {
    if (n >= 3) {
        return 3;
    }
    return n >= 1 ? 1 : 0;
}

void RestoreChannels(const SettingReader& read) {
    std::string joined;
    for (const char* key : kChannelKeys) {
        joined += read(key, "");
    }
    g_bChannels.reset(g_nChannels);
    for (int32_t i = 1; i <= g_bChannels.count(); ++i) {
        std::size_t pos = static_cast<std::size_t>(i - 1);
        g_bChannels.set(i, !(pos < joined.size() && joined[pos] == '0'));
    }
}

std::string ChannelFlagText() {
    std::string text;
    for (int32_t i = 1; i <= g_bChannels.count(); ++i) {
        text += g_bChannels.at(i) ? '1' : '0';
    }
    return text;
}

void SaveChannels(const SettingWriter& write) {
    const std::string text = ChannelFlagText();
    for (std::size_t k = 0; k < kChannelKeys.size(); ++k) {
        std::size_t from = k * kChannelsPerKey;
        write(kChannelKeys[k],
              from < text.size() ? text.substr(from, kChannelsPerKey) : std::string{});
    }
}
