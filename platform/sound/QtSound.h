#pragma once
// Connects the waveaudio driver to Qt: the system capture device as the
// wave input CUELARK_WAVE_INPUT=system chooses, and a 50 ms timer that pumps
// captured sound into the recording while one runs. Call once after the
// QApplication exists (see SoundSetup.h for the rest of the wiring). When the
// application quits, every open device is closed without saving.
namespace platform::sound {

void installQtSound();

}  // namespace platform::sound
