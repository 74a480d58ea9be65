#pragma once
// Brings a recording's header up to the length of its file. A recording that
// ended without its last header update (the program was killed, the disk
// filled up mid-write) holds more sound than its header says; the sizes are
// set from what is on disk, a partial last frame is cut off, and the file is
// then a WAV every player reads to its end.
//
// Handles the layouts recordings are written in: RIFF or RF64 "WAVE" with a
// "fmt " chunk (plain or extensible), optional JUNK/ds64/fact chunks, and the
// "data" chunk last, all within the first kWavRepairScan bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/Result.h"

namespace platform::sound {

inline constexpr std::size_t kWavRepairScan = 512;

struct WavLayout {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;
    uint16_t blockAlign = 0;
    uint64_t dataStart = 0;  // offset of the first sample
    uint64_t frames = 0;     // whole frames the file holds
    uint64_t fileSize = 0;   // the length the file must have: header, data and pad byte

    double seconds() const { return sampleRate ? static_cast<double>(frames) / sampleRate : 0.0; }
};

// Sets the sizes in head (the first headSize bytes of a file fileSize bytes
// long) from the file's length. Returns the layout, or why the bytes are not
// a recording's header. head is only changed on success.
Result<WavLayout> repairWavHeader(unsigned char* head, std::size_t headSize, uint64_t fileSize);

// The same on an open file (read and write), which is then cut or padded to
// the layout's length and given the plain PCM header where it can have one.
// path only names the file in messages.
Result<WavLayout> repairWavFile(int fd, const std::string& path);
Result<WavLayout> repairWavFile(const std::string& path);

}  // namespace platform::sound
