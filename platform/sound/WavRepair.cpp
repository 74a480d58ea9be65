#include "platform/sound/WavRepair.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/sound/PlainPcmHeader.h"
#include "platform/sound/TempWavFile.h"

namespace platform::sound {

namespace {

constexpr uint64_t kChunkHeader = 8;
constexpr uint32_t kNoSize = 0xFFFFFFFFu;  // RF64 keeps the real sizes in ds64

uint16_t get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t get64(const unsigned char* p) {
    return static_cast<uint64_t>(get32(p)) | (static_cast<uint64_t>(get32(p + 4)) << 32);
}
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
    }
}
void put64(unsigned char* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
    }
}
bool isId(const unsigned char* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

Error notAWav(const char* why) {
    return Error{std::string("not a recording's WAV header: ") + why};
}

}  // namespace

Result<WavLayout> repairWavHeader(unsigned char* head, std::size_t headSize, uint64_t fileSize) {
    if (headSize < 12 || fileSize < headSize) {
        return notAWav("too short");
    }
    const bool rf64 = isId(head, "RF64");
    if ((!rf64 && !isId(head, "RIFF")) || !isId(head + 8, "WAVE")) {
        return notAWav("no RIFF WAVE");
    }
    WavLayout layout;
    uint64_t ds64At = 0;
    uint64_t factAt = 0;
    uint64_t dataAt = 0;
    bool haveFmt = false;
    for (uint64_t pos = 12; pos + kChunkHeader <= headSize;) {
        const unsigned char* chunk = head + pos;
        const uint32_t size = get32(chunk + 4);
        if (isId(chunk, "data")) {
            dataAt = pos;
            break;
        }
        if (pos + kChunkHeader + size > headSize) {
            return notAWav("a chunk before the sound runs past the header");
        }
        if (isId(chunk, "fmt ") && size >= 16) {
            const unsigned char* fmt = chunk + kChunkHeader;
            layout.channels = get16(fmt + 2);
            layout.sampleRate = get32(fmt + 4);
            layout.blockAlign = get16(fmt + 12);
            layout.bitsPerSample = get16(fmt + 14);
            haveFmt = true;
        } else if (isId(chunk, "ds64") && size >= 24) {
            ds64At = pos;
        } else if (isId(chunk, "fact") && size >= 4) {
            factAt = pos;
        }
        pos += kChunkHeader + size + (size & 1U);
    }
    if (!haveFmt || layout.blockAlign == 0 || layout.channels == 0 || layout.sampleRate == 0) {
        return notAWav("no usable fmt chunk");
    }
    if (dataAt == 0) {
        return notAWav("no data chunk in the header");
    }
    if (rf64 && ds64At == 0) {
        return notAWav("RF64 without its ds64 chunk");
    }
    layout.dataStart = dataAt + kChunkHeader;
    if (fileSize < layout.dataStart) {
        return notAWav("the file ends inside its header");
    }
    uint64_t dataBytes = fileSize - layout.dataStart;
    // An odd data chunk is followed by a pad byte, which is no sound: a
    // header that already says so is kept.
    const uint64_t stored =
        rf64 ? get64(head + ds64At + kChunkHeader + 8) : get32(head + dataAt + 4);
    if ((stored & 1U) != 0 && stored + 1 == dataBytes) {
        dataBytes = stored;
    }
    if (!rf64) {
        // A RIFF size is 32 bits: sound beyond it stays in the file, unheard.
        const uint64_t room = kNoSize - (layout.dataStart - kChunkHeader) - 1;
        if (dataBytes > room) {
            dataBytes = room;
        }
    }
    layout.frames = dataBytes / layout.blockAlign;
    dataBytes = layout.frames * layout.blockAlign;
    layout.fileSize = layout.dataStart + dataBytes + (dataBytes & 1U);

    const uint64_t riffSize = layout.fileSize - kChunkHeader;
    if (rf64) {
        unsigned char* ds64 = head + ds64At + kChunkHeader;
        put64(ds64, riffSize);
        put64(ds64 + 8, dataBytes);
        put64(ds64 + 16, layout.frames);
    } else {
        put32(head + 4, static_cast<uint32_t>(riffSize));
        put32(head + dataAt + 4, static_cast<uint32_t>(dataBytes));
    }
    if (factAt != 0) {
        put32(head + factAt + kChunkHeader,
              layout.frames > kNoSize ? kNoSize : static_cast<uint32_t>(layout.frames));
    }
    return layout;
}

Result<WavLayout> repairWavFile(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return Error{errnoText("Cannot read the recording", path, errno)};
    }
    unsigned char head[kWavRepairScan] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got < 0) {
        return Error{errnoText("Cannot read the recording", path, errno)};
    }
    Result<WavLayout> layout =
        repairWavHeader(head, static_cast<std::size_t>(got), static_cast<uint64_t>(st.st_size));
    if (!layout) {
        return Error{"'" + path + "' is " + layout.message()};
    }
    const WavLayout& l = layout.value();
    const std::size_t headerBytes =
        static_cast<std::size_t>(l.dataStart) < static_cast<std::size_t>(got)
            ? static_cast<std::size_t>(l.dataStart)
            : static_cast<std::size_t>(got);
    if (::pwrite(fd, head, headerBytes, 0) != static_cast<ssize_t>(headerBytes) ||
        ::ftruncate(fd, static_cast<off_t>(l.fileSize)) != 0) {
        return Error{errnoText("Cannot write the header of the recording", path, errno)};
    }
    if (Status s = rewriteFdAsPlainPcm(fd, path); !s) {
        return Error{s.message()};
    }
    return layout;
}

Result<WavLayout> repairWavFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return Error{errnoText("Cannot open the recording", path, errno)};
    }
    Result<WavLayout> r = repairWavFile(fd, path);
    if (::close(fd) != 0 && r) {
        return Error{errnoText("Cannot write the header of the recording", path, errno)};
    }
    return r;
}

}  // namespace platform::sound
