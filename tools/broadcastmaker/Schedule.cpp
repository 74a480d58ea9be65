#include "tools/broadcastmaker/Schedule.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

namespace tools::broadcast {

namespace {

constexpr Pair kEraseDisplayed{0x14, 0x2C};
constexpr Pair kEndOfCaption{0x14, 0x2F};

std::string secondsText(int64_t frames) {
    char buf[32] = {};
    std::snprintf(buf, sizeof buf, "%.2f s", platform::scc::frameTime(frames));
    return buf;
}

class Placer {
  public:
    // Puts pairs on consecutive frames from `first` on; returns the frame after.
    int64_t place(int64_t first, const std::vector<Pair>& pairs) {
        int64_t frame = first;
        for (const Pair& p : pairs) {
            words_.push_back({frame++, withOddParity(p.first), withOddParity(p.second)});
        }
        return frame;
    }
    std::vector<platform::scc::CaptionWord> take() { return std::move(words_); }

  private:
    std::vector<platform::scc::CaptionWord> words_;
};

}  // namespace

uint8_t withOddParity(uint8_t b) {
    const uint8_t data = b & 0x7F;
    return std::popcount(data) % 2 == 0 ? static_cast<uint8_t>(data | 0x80) : data;
}

int64_t frameAt(double seconds) {
    return static_cast<int64_t>(std::llround(seconds / platform::scc::kFrameSeconds));
}

platform::Result<Schedule> scheduleCaptions(const std::vector<TranscriptLine>& lines,
                                            Pattern pattern, Align align,
                                            const std::string& fileName) {
    Schedule schedule;
    Placer placer;
    const std::vector<Pair> show =
        pattern == Pattern::EraseAndEnd
            ? std::vector<Pair>{kEraseDisplayed, kEraseDisplayed, kEndOfCaption, kEndOfCaption}
            : std::vector<Pair>{kEndOfCaption, kEndOfCaption};
    const std::vector<Pair> erase{kEraseDisplayed, kEraseDisplayed};

    // Loading must not start before this frame: the pairs already placed end
    // here. An erase between a caption's loading and its showing would show
    // it early, and loading before the previous caption is shown would
    // overwrite that one.
    int64_t free = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TranscriptLine& line = lines[i];
        const std::string where = fileName + ":" + std::to_string(line.lineNumber) + ": ";
        platform::Result<std::vector<CaptionRow>> rows = layoutCaption(line.text, align);
        if (!rows) {
            return platform::Error{where + rows.message()};
        }
        const std::vector<Pair> load = loadingPairs(rows.value());
        const auto loadLength = static_cast<int64_t>(load.size());

        int64_t showAt = frameAt(line.start);
        if (showAt - loadLength < free) {
            schedule.warnings.push_back(where + "shown " + secondsText(free + loadLength - showAt) +
                                        " late: not enough time to load it");
            showAt = free + loadLength;
        }
        // About two frames a pair ahead of showing, but not into earlier pairs.
        const int64_t loadAt = std::max(free, showAt - 2 * loadLength);
        placer.place(loadAt, load);
        free = placer.place(showAt, show);

        // The end: an erase, unless the next caption takes this one's place.
        const int64_t eraseAt = std::max(frameAt(line.end), free);
        if (i + 1 == lines.size()) {
            free = placer.place(eraseAt, erase);
            continue;
        }
        const TranscriptLine& next = lines[i + 1];
        const int64_t nextShow = frameAt(next.start);
        if (nextShow <= eraseAt) {
            continue;  // back to back
        }
        platform::Result<std::vector<CaptionRow>> nextRows = layoutCaption(next.text, align);
        const int64_t nextLoad =
            nextRows ? static_cast<int64_t>(loadingPairs(nextRows.value()).size()) : 0;
        const int64_t afterErase = eraseAt + static_cast<int64_t>(erase.size());
        if (nextShow - nextLoad < afterErase) {
            schedule.warnings.push_back(
                where +
                "left on until the next caption: the pause after it is too short to load "
                "the next one");
            continue;
        }
        free = placer.place(eraseAt, erase);
    }
    schedule.words = placer.take();
    std::stable_sort(schedule.words.begin(), schedule.words.end(),
                     [](const platform::scc::CaptionWord& a, const platform::scc::CaptionWord& b) {
                         return a.frame < b.frame;
                     });
    return schedule;
}

}  // namespace tools::broadcast
