#pragma once
// Saving a finished recording onto another file system is a copy, which for
// an hour of sound takes seconds: it runs on a thread of its own, so the
// stop does not wait for it. The copy goes to a hidden name in the
// destination's folder and is renamed into place when complete; only then
// is the recording's own file deleted, with its companion (the journal that
// would let the next start recover it). A copy that fails leaves both where
// they are, and says why on standard error.
#include <memory>
#include <string>

#include "platform/sound/TempWavFile.h"

namespace platform::sound {

void moveInBackground(std::unique_ptr<TempWavFile> finished, std::string dest,
                      std::string companion);
// Waits for every move started so far; the program calls it before it ends.
void waitForBackgroundMoves();

}  // namespace platform::sound
