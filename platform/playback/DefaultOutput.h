#pragma once
// The system's default output device, found without the sound system's
// complaints about a missing server: for the program no server just means no
// sound, which each user of the output says in its own words.
#include <QAudioDevice>

namespace platform::playback {

QAudioDevice defaultOutputQuietly();

}  // namespace platform::playback
