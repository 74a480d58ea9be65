#pragma once
// The TV library calls and the video window as the program uses them, over
// the card in use (platform::tv::currentCard()).
#include <cstdint>

#include "platform/core/Result.h"
#include "platform/tv/TvCard.h"
#include "platform/win/Win.h"
#include "tuner/VideoWindow.h"

platform::Status DVALoad(intptr_t hInstance);
int32_t DVATuneChannels(int32_t zero);
int32_t DVAAudioSetVolume(int32_t zero, int32_t volume);
int32_t DVASetProperty(int32_t zero, int32_t property, int32_t value);
int32_t DVATuneSetChannel(int32_t zero, int16_t channel);
int32_t DVATuneScan(int32_t zero, platform::tv::ScanCallback callback);
int32_t DVAFree();

// A child video window at the pixel rectangle (left, top, right, bottom).
platform::win::HWND CreateVideoWindow(platform::win::HWND parent, intptr_t hInstance, int left,
                                      int top, int right, int bottom);

// Sends the video window a message whose lParam is the address of a 32-bit
// value, as every message to it carries; the result is not used.
void SendVideoMessage(platform::win::UINT msg, platform::win::WPARAM wParam, int32_t value);
