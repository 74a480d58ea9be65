#pragma once
// Auto scan: after the user agrees, the card scans its channels and the
// channel table is rebuilt from the ones it reports a station on. The table
// reaches the settings file only when the main window closes.
#include <cstdint>

#include "platform/shell/MessageBox.h"

inline constexpr const char* kAutoScanQuestion =
    "The channels will be detected automatically. It may take a few minutes. Will you continue?";
inline constexpr const char* kAutoScanTitle = "Auto Scan";

// Called by the card from inside its scan, once per channel it looked at.
// Marks wCurrent in use when a station was found there and it lies in 1..N;
// both arrive as 16-bit values. Always returns 1.
int16_t TunerScanCallBack(int32_t wCurrent, int32_t ignored, int32_t wFound);

// Asks first; No leaves everything as it was.
void AutoScan(platform::shell::MessageBoxes& boxes);
