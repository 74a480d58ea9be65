#pragma once
// Recordings are written as RF64 so a very long one stays valid; under 4 GiB
// libsndfile turns them back into RIFF WAVE, but with a WAVE_FORMAT_EXTENSIBLE
// "fmt " chunk. Older players and editors only know the plain PCM tag (1), and
// extensible is only called for with more than two channels or more than 16
// bits, so mono/stereo 8/16-bit files get their header rewritten in place:
//
//   RIFF WAVE JUNK(n) fmt(40, 0xFFFE, PCM subformat) [fact] data
//   RIFF WAVE fmt(16, tag 1) JUNK(n + 24) [fact] data
//
// The data does not move, so the RIFF size and every later chunk stay right
// (an empty recording's RIFF size, which libsndfile leaves 8 short, is
// corrected). Any other layout (RF64 included) is left exactly as it is.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/Result.h"

namespace platform::sound {

// Bytes from the start of the file that cover every layout we rewrite.
inline constexpr std::size_t kPlainPcmHeaderScan = 512;

// Rewrites the header held in head (the first bytes of a file fileSize bytes
// long). Returns true when head was changed; false leaves it untouched.
bool rewriteAsPlainPcm(unsigned char* head, std::size_t headSize, uint64_t fileSize);

// The same for a finished file on disk. A file whose layout is not the
// expected one is not an error; failing to read or write the file is.
Status rewriteFileAsPlainPcm(const std::string& path);
// The same on an open file; path only names it in messages.
Status rewriteFdAsPlainPcm(int fd, const std::string& path);

}  // namespace platform::sound
