#pragma once
// Channel up, down and Go: up and down step over the channels in use and wrap
// around; Go tunes the number typed in the channel box.
#include <string>

#include "platform/shell/MessageBox.h"

// The channel number box of the main window.
class ChannelBox {
  public:
    virtual ~ChannelBox() = default;
    virtual std::string channelText() const = 0;
    virtual void setChannelText(const std::string& text) = 0;
};

inline constexpr const char* kInputProperNumber = "Input proper number";

// The channel up and down would go to from the current one. When no other
// channel is in use they come back to the current one.
int32_t ChannelAbove(int32_t current);
int32_t ChannelBelow(int32_t current);

// Each sets the current channel, shows it in the box and tunes it. They do
// nothing while the card has no channels.
void ChannelUp(ChannelBox& box);
void ChannelDown(ChannelBox& box);

// Tunes the number in the box; the box is left as typed. A text that is no
// whole channel number of 1..N brings "Input proper number" and changes
// nothing.
void ChannelGo(const ChannelBox& box, platform::shell::MessageBoxes& boxes);
