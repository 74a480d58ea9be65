#pragma once
// The sound device's command interface: the "waveaudio" device driven by
// command strings, as the recorder sends them.
#include <cstdint>

#include "platform/win/Win.h"

namespace platform::sound {

// Runs one command. Returns 0 on success, otherwise an error code, with the
// reply (or the error's text) copied into ret (at most retLen - 1 bytes, NUL
// terminated; ret may be null when retLen is 0).
uint32_t mciSendStringA(const char* command, char* ret, uint32_t retLen, win::HWND callback);

}  // namespace platform::sound
