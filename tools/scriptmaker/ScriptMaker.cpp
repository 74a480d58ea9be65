#include "tools/scriptmaker/ScriptMaker.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <vector>

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

std::string secondsText(double seconds) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

// Hands the decoder one pair per frame from frame 0 on, each at its due
// time, as the card delivers them: the track's word on its frame, a null
// pair on every other. A null pair between words matters, since it makes the
// decoder forget the last control pair.
class FramePlayer {
  public:
    FramePlayer(const platform::scc::CaptionTrack& track, platform::ManualClock& clock,
                cldCCFactory& factory)
        : words_(track.words), clock_(clock), factory_(factory) {}

    // Every frame not played yet that is due before t.
    void playBefore(double t) {
        while (platform::scc::frameTime(frame_) < t) {
            playFrame();
        }
    }
    // Every frame not played yet that is due at or before t.
    void playThrough(double t) {
        while (platform::scc::frameTime(frame_) <= t) {
            playFrame();
        }
    }
    int64_t wordsPlayed() const { return played_; }

  private:
    void playFrame() {
        // One pair a frame: a word whose frame has gone by can no longer be
        // sent.
        while (next_ < words_.size() && words_[next_].frame < frame_) {
            ++next_;
        }
        int32_t word = packCaptionWord(kNullByte, kNullByte);
        if (next_ < words_.size() && words_[next_].frame == frame_) {
            word = packCaptionWord(words_[next_].first, words_[next_].second);
            ++next_;
            ++played_;
        }
        clock_.set(platform::scc::frameTime(frame_));
        const CaptionPair pair = unpackCaptionWord(word);
        factory_.decode(pair.high, pair.low);
        ++frame_;
    }

    const std::vector<platform::scc::CaptionWord>& words_;
    platform::ManualClock& clock_;
    cldCCFactory& factory_;
    std::size_t next_ = 0;
    int64_t frame_ = 0;
    int64_t played_ = 0;
};

}  // namespace

int32_t packCaptionWord(uint8_t first, uint8_t second) {
    return (reverseByte(first) << 8) | reverseByte(second);
}

CaptionPair unpackCaptionWord(int32_t wParam) {
    return {ReverseBits(HighByte(wParam)) & 0x7F, ReverseBits(LowByte(wParam)) & 0x7F};
}

platform::Result<ScriptSummary> makeScript(const platform::scc::CaptionTrack& track,
                                           const std::string& scriptPath,
                                           const ScriptOptions& options,
                                           platform::FileTable& files) {
    const double lastWord =
        track.words.empty() ? 0.0 : platform::scc::frameTime(track.words.back().frame);
    return makeScriptSpan(track, scriptPath, 0.0, lastWord, options, files);
}

platform::Result<ScriptSummary> makeScriptSpan(const platform::scc::CaptionTrack& track,
                                               const std::string& scriptPath, double startTime,
                                               double endTime, const ScriptOptions& options,
                                               platform::FileTable& files) {
    // Checked before anything is opened: an endless span would never return.
    if (!std::isfinite(startTime) || !std::isfinite(endTime) || endTime < startTime) {
        return platform::Error{"Cannot make the script '" + scriptPath + "' from " +
                               secondsText(startTime) + " to " + secondsText(endTime) +
                               ": the recording must end after it starts"};
    }
    const int fno = files.freeFile();
    if (fno == 0) {
        return platform::Error{"Cannot open '" + scriptPath + "': no free file number"};
    }
    if (platform::Status opened = files.openForOutput(fno, scriptPath); !opened) {
        return platform::Error{opened.message()};
    }

    platform::ManualClock clock(0.0);
    cldCCFactory factory(clock, files);
    factory.setAllCaptionModes(options.allCaptionModes);
    factory.init(0);
    FramePlayer player(track, clock, factory);
    player.playBefore(startTime);
    const int64_t wordsBefore = player.wordsPlayed();

    clock.set(startTime);
    factory.init(fno);
    player.playThrough(endTime);
    clock.set(endTime);
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
    summary.pairs = player.wordsPlayed() - wordsBefore;
    summary.rows = rows.value();
    summary.seconds = endTime - startTime;
    return summary;
}

}  // namespace tools
