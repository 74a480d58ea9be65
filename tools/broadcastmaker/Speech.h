#pragma once
// Spoken lines from espeak-ng, run as a program once per line.
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace tools::broadcast {

struct Voice {
    std::string name = "en-us";
    int wordsPerMinute = 150;
};

// The text spoken, as mono samples at `rate`. workDir holds the temporary
// text and sound files.
platform::Result<std::vector<float>> speak(const std::string& text, const Voice& voice, int rate,
                                           const std::string& workDir);

}  // namespace tools::broadcast
