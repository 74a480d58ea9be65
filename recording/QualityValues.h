#pragma once
// The sound format of the next recordings. The Recording Quality dialog edits
// it; the recorder reads it at every start. Not kept in the settings file, so
// every run begins with the defaults.
#include <cstdint>

namespace recording {

struct QualityValues {
    int32_t m_nSamplingRate = 22050;  // 8000, 11025, 22050 or 44100
    int32_t m_nQBits = 16;            // 8 or 16
    int32_t m_nChannels = 1;          // 1 mono, 2 stereo
};

// The program's one set, created at first use and kept to the end of the
// process. Reading it never opens the dialog.
QualityValues& qualityValues();

}  // namespace recording
