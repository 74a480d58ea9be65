#include "tuner/ChannelSelection.h"

#include "tuner/ChannelNumber.h"
#include "tuner/ChannelTable.h"
#include "tuner/modVid.h"

namespace {

// Walks from current in the given direction until a channel in use, or back
// at the start. At most N steps, so a current channel outside 1..N cannot
// make it run forever.
int32_t searchFrom(int32_t current, int step) {
    const int32_t n = g_nChannels;
    if (n <= 0) {
        return current;
    }
    int32_t i = current;
    for (int32_t steps = 0; steps < n; ++steps) {
        if (step > 0) {
            i = i < n ? i + 1 : 1;
        } else {
            i = i > 1 ? i - 1 : n;
        }
        if (g_bChannels.at(i) || i == current) {
            return i;
        }
    }
    return current >= 1 && current <= n ? current : i;
}

void tuneAndShow(int32_t channel, ChannelBox& box) {
    g_nCurChannel = channel;
    box.setChannelText(std::to_string(channel));
    DVATuneSetChannel(0, static_cast<int16_t>(channel));
}

}  // namespace

int32_t ChannelAbove(int32_t current) {
    return searchFrom(current, +1);
}

int32_t ChannelBelow(int32_t current) {
    return searchFrom(current, -1);
}

void ChannelUp(ChannelBox& box) {
    if (g_nChannels <= 0) {
        return;
    }
    tuneAndShow(ChannelAbove(g_nCurChannel), box);
}

void ChannelDown(ChannelBox& box) {
    if (g_nChannels <= 0) {
        return;
    }
    tuneAndShow(ChannelBelow(g_nCurChannel), box);
}

void ChannelGo(const ChannelBox& box, platform::shell::MessageBoxes& boxes) {
    std::optional<int32_t> number = ParseChannelNumber(box.channelText());
    if (!number || *number < 1 || *number > g_nChannels) {
        boxes.MessageBoxA(kInputProperNumber, platform::shell::kAppTitle, platform::shell::MB_OK);
        return;
    }
    g_nCurChannel = *number;
    DVATuneSetChannel(0, static_cast<int16_t>(*number));
}
