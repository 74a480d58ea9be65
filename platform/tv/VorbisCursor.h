#pragma once
// Ogg Vorbis sound read from any point through libvorbisfile, which lands on
// the very sample asked for. (libsndfile 1.2.0, Debian 12's, decodes Vorbis
// the same sample for sample but lands elsewhere after many of its seeks.)
#include <memory>
#include <string>

#include "platform/core/Result.h"
#include "platform/tv/SoundTrack.h"

namespace platform::tv {

// A cursor on the first `channels` channels of the file's fileChannels.
Result<std::unique_ptr<SoundCursor>> openVorbisCursor(const std::string& path, int fileChannels,
                                                      int channels);

}  // namespace platform::tv
