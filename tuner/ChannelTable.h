#pragma once
// The channel table: how many channels the card has, the one last tuned, and
// per channel whether channel up and down stop at it. Kept in the settings
// file as a string of '1'/'0' characters split over four keys of 32 each.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One flag per channel number 1..N. Numbers outside that range read as not
// in use and cannot be set, so a small or empty table is never overrun.
class ChannelFlags {
  public:
    // N flags, all in use; none when n <= 0.
    void reset(int32_t n);
    int32_t count() const { return static_cast<int32_t>(m_flags.size()); }
    bool at(int32_t channel) const;
    void set(int32_t channel, bool inUse);
    void setAll(bool inUse);

  private:
    std::vector<bool> m_flags;  // index 0 is channel 1
};

extern int32_t g_nChannels;
extern int32_t g_nCurChannel;
extern ChannelFlags g_bChannels;

inline constexpr std::array<const char*, 4> kChannelKeys = {"Channels1", "Channels2", "Channels3",
                                                            "Channels4"};
inline constexpr std::size_t kChannelsPerKey = 32;

using SettingReader = std::function<std::string(const std::string& key, const std::string& def)>;
using SettingWriter = std::function<void(const std::string& key, const std::string& value)>;

// The channel tuned when the window loads: 3 when the card has that many
// channels, otherwise the first one; 0 (none) when it reports no channels.
int32_t StartChannel(int32_t n);

// Creates the flags for 1..g_nChannels from the four keys joined in order:
// a '0' at position i clears flag i, anything else (a missing character
// included) leaves it in use.
void RestoreChannels(const SettingReader& read);

// The flags as '1'/'0' characters, channel 1 first.
std::string ChannelFlagText();

// Writes the four keys in order; a key whose range lies beyond N is written
// empty, and channels past the 128th are not stored.
void SaveChannels(const SettingWriter& write);
