#pragma once
// How the program's one waveaudio driver (behind mciSendStringA) gets its
// sound and its timer.
//
// Wave input. Each "record" takes a fresh input from the choice made by the
// environment variable CUELARK_WAVE_INPUT:
//   unset or "card"  the TV card's sound, given with setCardFeed (the default
//                    while the simulated card is the TV card);
//   "system"         the system's default capture device, made by the factory
//                    given with setSystemInputFactory (the Qt sound library's
//                    installQtSound does that).
// A choice that cannot be met makes "record" fail with code 328 and a reason.
//
// Pumping. While a recording runs, pumpAll() must be called every 50-100 ms
// to move the captured sound into the recording file; the device also pumps
// once more itself at stop, save and close. setPumpScheduler is told when
// pumping should start (true) and may stop (false); installQtSound connects
// it to a QTimer.
//
// Start-up wiring, in the program's start-up:
//   platform::sound::setCardFeed(platform::tv::currentCard().audioFeed());
//   platform::sound::installQtSound();   // from platform/sound/QtSound.h
//
// After a stop, lostInputMessage() says whether the input failed while
// recording (the sound up to then is still saved): empty, or "input lost: "
// and the reason. The save command's reply carries the same text.
#include <functional>
#include <string>

#include "platform/sound/MciInterpreter.h"
#include "platform/sound/WaveInput.h"

namespace platform::tv {
class AudioFeed;
}

namespace platform::sound {

void setCardFeed(tv::AudioFeed* feed);  // nullptr: no card sound
void setSystemInputFactory(WaveInputFactory factory);
void setPumpScheduler(std::function<void(bool pumping)> scheduler);

enum class InputChoice { CardFeed = 1, System = 2 };
// From CUELARK_WAVE_INPUT, read at each record.
InputChoice chosenInput();

void pumpAll();
std::string lostInputMessage();

// The driver mciSendStringA talks to.
MciInterpreter& soundDriver();

}  // namespace platform::sound
