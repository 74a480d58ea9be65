#pragma once
// A sound file (FLAC, WAV, Ogg Vorbis, whatever libsndfile reads) as a
// station's track: opening reads its header only; every cursor has a handle
// of its own and seeks to where it is asked to read. More than two channels:
// the card's outputs carry the first two.
#include <memory>
#include <string>

#include "platform/core/Result.h"
#include "platform/tv/SoundTrack.h"

namespace platform::tv {

Result<std::shared_ptr<const SoundTrack>> openSoundFile(const std::string& path);

}  // namespace platform::tv
