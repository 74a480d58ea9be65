#include "tools/scriptmaker/ScriptMaker.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "captions/LineBits.h"
#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"

namespace tools {

namespace {

// Rows end in carriage return and line feed; counting line feeds counts rows.
platform::Result<int64_t> countRows(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return platform::Error{platform::describeErrno("Cannot read back", path, errno)};
    }
    int64_t rows = 0;
    char buf[65536] = {};
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return platform::Error{platform::describeErrno("Cannot read back", path, err)};
        }
        if (n == 0) {
            break;
        }
        for (ssize_t i = 0; i < n; ++i) {
            rows += buf[i] == '\n' ? 1 : 0;
        }
    }
    ::close(fd);
    return rows;
}

int32_t reverseByte(uint8_t b) {
    return ReverseBits(b);
}

}  // namespace

int32_t packCaptionWord(uint8_t first, uint8_t second) {
    return (reverseByte(first) << 8) | reverseByte(second);
}

CaptionPair unpackCaptionWord(int32_t wParam) {
    return {ReverseBits(HighByte(wParam)) & 0x7F, ReverseBits(LowByte(wParam)) & 0x7F};
}

platform::Result<ScriptSummary> makeScript(const platform::scc::CaptionTrack& track,
                                           const std::string& scriptPath,
                                           platform::FileTable& files) {
    const int fno = files.freeFile();
    if (fno == 0) {
        return platform::Error{"Cannot open '" + scriptPath + "': no free file number"};
    }
    if (platform::Status opened = files.openForOutput(fno, scriptPath); !opened) {
        return platform::Error{opened.message()};
    }

    platform::ManualClock clock(0.0);
    cldCCFactory factory(clock, files);
    factory.init(0);
    factory.init(fno);

    // One pair per frame from frame 0 on, as the card delivers them: a null
    // pair between words matters, since it makes the decoder forget the last
    // control pair.
    const int32_t nullWord = packCaptionWord(kNullByte, kNullByte);
    int64_t frame = 0;
    for (const platform::scc::CaptionWord& word : track.words) {
        for (; frame < word.frame; ++frame) {
            clock.set(platform::scc::frameTime(frame));
            const CaptionPair pair = unpackCaptionWord(nullWord);
            factory.decode(pair.high, pair.low);
        }
        clock.set(platform::scc::frameTime(word.frame));
        const CaptionPair pair = unpackCaptionWord(packCaptionWord(word.first, word.second));
        factory.decode(pair.high, pair.low);
        frame = word.frame + 1;
    }

    factory.init(0);
    platform::Status written = factory.lastWriteStatus();
    platform::Status closed = files.close(fno);
    if (!written) {
        return platform::Error{written.message()};
    }
    if (!closed) {
        return platform::Error{closed.message()};
    }

    platform::Result<int64_t> rows = countRows(scriptPath);
    if (!rows) {
        return platform::Error{rows.message()};
    }
    ScriptSummary summary;
    summary.pairs = static_cast<int64_t>(track.words.size());
    summary.rows = rows.value();
    summary.seconds =
        track.words.empty() ? 0.0 : platform::scc::frameTime(track.words.back().frame);
    return summary;
}

}  // namespace tools
