// Arbitrary caption pairs mixed with script starts, stops, checks, clock
// steps and switches of roll-up and paint-on recording. Whatever arrives,
// every script file written must be well formed: rows of start, end and text
// (and maybe a mark) with CR LF, in time order. Pop-on rows never overlap;
// with roll-up lines, which share the screen, only their starts keep order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "captions/cldCCFactory.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "tests/support/TempDir.h"

namespace {

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

long parseNumber(std::string_view s) {
    require(!s.empty() && s.size() <= 11);
    std::size_t i = 0;
    if (s[0] == '-') {
        i = 1;
        require(s.size() > 1);
    }
    long n = 0;
    for (; i < s.size(); ++i) {
        require(s[i] >= '0' && s[i] <= '9');
        n = n * 10 + (s[i] - '0');
    }
    return s[0] == '-' ? -n : n;
}

void checkScript(const std::string& script, bool allModes) {
    long lastStart = -1;
    long lastEnd = -1;
    std::size_t pos = 0;
    while (pos < script.size()) {
        const std::size_t crlf = script.find("\r\n", pos);
        require(crlf != std::string::npos);
        const std::string_view row(script.data() + pos, crlf - pos);
        pos = crlf + 2;

        std::vector<std::string_view> columns;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = row.find('\t', from);
            columns.push_back(row.substr(from, tab == std::string_view::npos ? tab : tab - from));
            if (tab == std::string_view::npos) {
                break;
            }
            from = tab + 1;
        }
        require(columns.size() == 3 || (columns.size() == 4 && columns[3] == "1"));
        const long start = parseNumber(columns[0]);
        const long end = parseNumber(columns[1]);
        // The clock below only moves forward.
        require(start >= 0 && start <= end);
        require(start >= (allModes ? lastStart : lastEnd));
        lastStart = start;
        lastEnd = end;
        const std::string_view text = columns[2];
        require(text.empty() || (text.front() != ' ' && text.back() != ' '));
        require(text.find_first_of("\r\n") == std::string_view::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static testsupport::TempDir dir;
    platform::FileTable files;
    platform::ManualClock clock(1000.0);
    cldCCFactory cc(clock, files);
    // The first byte chooses whether roll-up and paint-on are recorded.
    bool allModesNext = size > 0 && (data[0] & 1) != 0;
    cc.setAllCaptionModes(allModesNext);
    cc.init(0);

    int attached = 0;
    bool allModes = false;  // the choice the attached script started with
    auto stop = [&] {
        cc.init(0);
        if (attached != 0) {
            const std::string path = files.pathOf(attached);
            require(files.close(attached).isOk());
            require(cc.lastWriteStatus().isOk());
            checkScript(testsupport::readFile(path), allModes);
            attached = 0;
        }
    };

    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint8_t a = data[i];
        const uint8_t b = data[i + 1];
        // Most pairs are caption data; a few byte values steer the recording.
        switch (a) {
            case 0xF0: {
                const int fno = files.freeFile();
                require(files.openForOutput(fno, dir.file("s" + std::to_string(fno))).isOk());
                const int previous = attached;
                const std::string previousPath = files.pathOf(previous);
                const bool previousAllModes = allModes;
                cc.init(fno);
                if (previous != 0) {
                    require(files.close(previous).isOk());
                    require(cc.lastWriteStatus().isOk());
                    checkScript(testsupport::readFile(previousPath), previousAllModes);
                }
                attached = fno;
                allModes = allModesNext;
                break;
            }
            case 0xF1:
                stop();
                break;
            case 0xF2:
                cc.check();
                break;
            case 0xF3:
                clock.advance(b / 7.0);
                break;
            case 0xF4:
                allModesNext = (b & 1) != 0;
                cc.setAllCaptionModes(allModesNext);
                break;
            default:
                cc.decode(a & 0x7F, b & 0x7F);
                clock.advance(1.0 / 30.0);
                break;
        }
    }
    stop();
    return 0;
}
