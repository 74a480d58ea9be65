#pragma once
// Sound of one recording made to fit another's format, for condensed audio
// of recordings made at different rates or channel counts.
#include <vector>

#include "study/sound/WavReader.h"

namespace study {

// Interleaved samples in from's rate and channels, returned in to's: mono
// becomes both channels, more channels are averaged to mono, and the rate
// is converted (libsamplerate) when it differs.
std::vector<float> adaptSound(const std::vector<float>& samples, const WavInfo& from,
                              const WavInfo& to);

}  // namespace study
