#include "tuner/AutoScan.h"

#include "tuner/ChannelTable.h"
#include "tuner/modVid.h"

int16_t TunerScanCallBack(int32_t wCurrent, int32_t /*ignored*/, int32_t wFound) {
    // The card passes 16-bit values in 32-bit slots: only the low half counts.
    const int32_t channel = static_cast<int16_t>(wCurrent & 0xFFFF);
    const bool found = (wFound & 0xFFFF) != 0;
    if (found && channel >= 1 && channel <= g_nChannels) {
        g_bChannels.set(channel, true);
    }
    return 1;
}

void AutoScan(platform::shell::MessageBoxes& boxes) {
    using namespace platform::shell;
    if (boxes.MessageBoxA(kAutoScanQuestion, kAutoScanTitle, MB_YESNO | MB_DEFBUTTON1) != IDYES) {
        return;
    }
    g_bChannels.setAll(false);
    DVATuneScan(0, &TunerScanCallBack);
}
