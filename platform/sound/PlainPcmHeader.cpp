#include "platform/sound/PlainPcmHeader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/sound/TempWavFile.h"

namespace platform::sound {

namespace {

constexpr std::size_t kChunkHeader = 8;
constexpr uint32_t kExtensibleFmtSize = 40;
constexpr uint32_t kPcmFmtSize = 16;
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr uint16_t kExtensionSize = 22;
// KSDATAFORMAT_SUBTYPE_PCM as stored in the file.
constexpr unsigned char kPcmSubformat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void put16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
    }
}
bool isId(const unsigned char* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// The extensible body describes plain PCM that the 16-byte form can carry
// without losing anything.
bool isPlainPcmInDisguise(const unsigned char* fmt) {
    const uint16_t channels = get16(fmt + 2);
    const uint32_t rate = get32(fmt + 4);
    const uint32_t byteRate = get32(fmt + 8);
    const uint16_t blockAlign = get16(fmt + 12);
    const uint16_t bits = get16(fmt + 14);
    const uint16_t validBits = get16(fmt + 18);
    return get16(fmt) == kTagExtensible && (channels == 1 || channels == 2) &&
           (bits == 8 || bits == 16) && rate > 0 && blockAlign == channels * bits / 8 &&
           byteRate == static_cast<uint64_t>(rate) * blockAlign &&
           get16(fmt + 16) == kExtensionSize && validBits == bits &&
           std::memcmp(fmt + 24, kPcmSubformat, sizeof kPcmSubformat) == 0;
}

// libsndfile leaves the RIFF size 8 short when no sample was written (the
// empty data chunk's header is not counted). When the chunks after "fmt "
// end with a data chunk that ends the file, the RIFF size is set to match.
void fixRiffSize(unsigned char* head, std::size_t headSize, uint64_t pos, uint64_t fileSize) {
    while (pos + kChunkHeader <= headSize) {
        const uint32_t size = get32(head + pos + 4);
        const uint64_t end = pos + kChunkHeader + size + (size & 1U);
        if (isId(head + pos, "data")) {
            if (end == fileSize && fileSize - kChunkHeader <= UINT32_MAX) {
                put32(head + 4, static_cast<uint32_t>(fileSize - kChunkHeader));
            }
            return;
        }
        pos = end;
    }
}

}  // namespace

bool rewriteAsPlainPcm(unsigned char* head, std::size_t headSize, uint64_t fileSize) {
    constexpr std::size_t junkAt = 12;
    if (headSize < junkAt + kChunkHeader || !isId(head, "RIFF") || !isId(head + 8, "WAVE") ||
        !isId(head + junkAt, "JUNK")) {
        return false;
    }
    const uint64_t riffEnd = kChunkHeader + static_cast<uint64_t>(get32(head + 4));
    if (riffEnd > fileSize) {
        return false;
    }
    const uint32_t junkSize = get32(head + junkAt + 4);
    if (junkSize % 2 != 0) {
        return false;  // an odd chunk is followed by a pad byte we would have to account for
    }
    const uint64_t fmtAt = junkAt + kChunkHeader + static_cast<uint64_t>(junkSize);
    const uint64_t fmtEnd = fmtAt + kChunkHeader + kExtensibleFmtSize;
    if (fmtEnd > headSize || fmtEnd > riffEnd) {
        return false;
    }
    unsigned char* fmt = head + fmtAt;
    if (!isId(fmt, "fmt ") || get32(fmt + 4) != kExtensibleFmtSize ||
        !isPlainPcmInDisguise(fmt + kChunkHeader)) {
        return false;
    }

    unsigned char pcm[kPcmFmtSize] = {};
    std::memcpy(pcm, fmt + kChunkHeader, kPcmFmtSize);
    put16(pcm, kTagPcm);

    // fmt(16) first, then one JUNK chunk over everything up to the old fmt's end.
    unsigned char* out = head + junkAt;
    std::memcpy(out, "fmt ", 4);
    put32(out + 4, kPcmFmtSize);
    std::memcpy(out + kChunkHeader, pcm, kPcmFmtSize);
    unsigned char* junk = out + kChunkHeader + kPcmFmtSize;
    const uint64_t junkBody =
        fmtEnd - static_cast<uint64_t>(junk - head) - static_cast<uint64_t>(kChunkHeader);
    std::memcpy(junk, "JUNK", 4);
    put32(junk + 4, static_cast<uint32_t>(junkBody));
    std::memset(junk + kChunkHeader, 0, static_cast<std::size_t>(junkBody));
    fixRiffSize(head, headSize, fmtEnd, fileSize);
    return true;
}

Status rewriteFileAsPlainPcm(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return Error{errnoText("Cannot open the recording", path, errno)};
    }
    Status result = rewriteFdAsPlainPcm(fd, path);
    if (::close(fd) != 0 && result) {
        result = Error{errnoText("Cannot write the header of the recording", path, errno)};
    }
    return result;
}

Status rewriteFdAsPlainPcm(int fd, const std::string& path) {
    struct stat st {};
    unsigned char head[kPlainPcmHeaderScan] = {};
    ssize_t got = -1;
    if (::fstat(fd, &st) == 0) {
        got = ::pread(fd, head, sizeof head, 0);
    }
    if (got < 0) {
        return Error{errnoText("Cannot read the recording", path, errno)};
    }
    Status result;
    unsigned char original[kPlainPcmHeaderScan] = {};
    std::memcpy(original, head, sizeof head);
    if (rewriteAsPlainPcm(head, static_cast<std::size_t>(got), static_cast<uint64_t>(st.st_size))) {
        // Only the bytes that changed, in one write inside the first block.
        std::size_t first = 0;
        std::size_t last = static_cast<std::size_t>(got);
        while (first < last && head[first] == original[first]) {
            ++first;
        }
        while (last > first && head[last - 1] == original[last - 1]) {
            --last;
        }
        const ssize_t put = ::pwrite(fd, head + first, last - first, static_cast<off_t>(first));
        if (put != static_cast<ssize_t>(last - first)) {
            result = Error{
                errnoText("Cannot write the header of the recording", path, put < 0 ? errno : EIO)};
        }
    }
    return result;
}

}  // namespace platform::sound
