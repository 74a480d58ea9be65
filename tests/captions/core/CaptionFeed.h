#pragma once
// Drives a cldCCFactory the way the program does: a script file opened under
// a number, caption pairs fed in, a fake clock moved between them, and the
// file read back after the stop.
#include <cstdint>
#include <string>

#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "tests/support/TempDir.h"

namespace testsupport {

class CaptionFeed {
  public:
    // The clock starts far from zero, as a real monotonic clock does.
    static constexpr double kBase = 5000.0;

    CaptionFeed() : clock(kBase), cc(clock, files) { cc.init(0); }

    // Opens name under fno and starts a script on it, at the current time.
    void start(const std::string& name = "script.txt", int fno = 1) {
        files.openForOutput(fno, dir.file(name));
        cc.init(fno);
        scriptStart = clock.now();
    }
    // Ends the script and closes its file; returns what the file holds.
    std::string stop(const std::string& name = "script.txt", int fno = 1) {
        cc.init(0);
        files.close(fno);
        return readFile(dir.file(name));
    }

    // Moves the clock to the given centiseconds after the script's start.
    // Half a centisecond more, so rounding down lands on cs exactly.
    void at(int32_t cs) { clock.set(scriptStart + (cs + 0.5) / 100.0); }

    void pair(int32_t high, int32_t low) { cc.decode(high, low); }
    // A control pair as broadcasters send it: twice in a row.
    void control(int32_t high, int32_t low) {
        pair(high, low);
        pair(high, low);
    }
    // Characters two to a pair; an odd one out goes with a null.
    void text(const std::string& s) {
        for (std::size_t i = 0; i < s.size(); i += 2) {
            const auto high = static_cast<unsigned char>(s[i]);
            const auto low = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
            pair(high, low);
        }
    }

    // Commands of data channel 1 (0x14) or 2 (0x1C).
    void resumeCaptionLoading(int32_t misc = 0x14) { control(misc, 0x20); }
    void eraseNonDisplayed(int32_t misc = 0x14) { control(misc, 0x2E); }
    void eraseDisplayed(int32_t misc = 0x14) { control(misc, 0x2C); }
    void endOfCaption(int32_t misc = 0x14) { control(misc, 0x2F); }
    void preamble(int32_t first = 0x14) { control(first, 0x70); }

    // A pop-on caption as usually broadcast: load it off screen, then erase
    // the screen and flip the new caption onto it at cs.
    void popOn(const std::string& s, int32_t cs, int32_t misc = 0x14) {
        resumeCaptionLoading(misc);
        eraseNonDisplayed(misc);
        preamble(misc);
        text(s);
        at(cs);
        eraseDisplayed(misc);
        endOfCaption(misc);
    }
    // An erase of the screen alone at cs.
    void clearAt(int32_t cs) {
        at(cs);
        eraseDisplayed();
    }

    TempDir dir;
    platform::FileTable files;
    platform::ManualClock clock;
    cldCCFactory cc;
    double scriptStart = kBase;
};

}  // namespace testsupport
