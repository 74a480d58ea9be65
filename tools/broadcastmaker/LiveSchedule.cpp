#include "tools/broadcastmaker/LiveSchedule.h"

#include <algorithm>
#include <cstdio>

namespace tools::broadcast {

namespace {

constexpr uint8_t kMisc = 0x14;
constexpr Pair kCarriageReturn{kMisc, 0x2D};
constexpr Pair kEraseDisplayed{kMisc, 0x2C};
constexpr Pair kDirectCaptioning{kMisc, 0x29};
constexpr int64_t kErasePairs = 2;

void twice(std::vector<Pair>& out, Pair p) {
    out.push_back(p);
    out.push_back(p);
}

void append(std::vector<Pair>& out, const std::vector<Pair>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::string secondsText(int64_t frames) {
    char buf[32] = {};
    std::snprintf(buf, sizeof buf, "%.2f s", platform::scc::frameTime(frames));
    return buf;
}

std::string where(const std::string& fileName, const TranscriptLine& line) {
    return fileName + ":" + std::to_string(line.lineNumber) + ": ";
}

// Puts pairs on consecutive frames, each byte with its parity bit.
class Frames {
  public:
    // Returns the frame after the last pair.
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

// The first pair of a caption's text goes out on the frame of its start,
// the pairs leading up to it just before; when the frames before are taken,
// the caption goes out late, and the warning says by how much.
int64_t textFrame(const TranscriptLine& line, int64_t leadPairs, int64_t free,
                  const std::string& fileName, Schedule& schedule) {
    const int64_t wanted = frameAt(line.start);
    if (wanted - leadPairs >= free) {
        return wanted;
    }
    const int64_t at = free + leadPairs;
    schedule.warnings.push_back(where(fileName, line) + "shown " + secondsText(at - wanted) +
                                " late: the caption before is still being sent");
    return at;
}

}  // namespace

platform::Result<Schedule> scheduleRollUp(const std::vector<TranscriptLine>& lines,
                                          const RollUpWindow& window, Align align,
                                          const std::string& fileName) {
    if (window.rows < 2 || window.rows > 4) {
        return platform::Error{"a roll-up window has 2, 3 or 4 rows, not " +
                               std::to_string(window.rows)};
    }
    if (window.baseRow < window.rows || window.baseRow > 15) {
        return platform::Error{"base row " + std::to_string(window.baseRow) +
                               " leaves no room for a window of " + std::to_string(window.rows) +
                               " rows (rows " + std::to_string(window.rows) + " to 15 do)"};
    }
    const Pair rollUp{kMisc, static_cast<uint8_t>(0x25 + window.rows - 2)};
    const auto linePairs = [&](const CaptionRow& row) {
        RowPairs pairs = rowPairs(row, window.baseRow);
        std::vector<Pair> lead;
        twice(lead, rollUp);
        twice(lead, kCarriageReturn);
        append(lead, pairs.place);
        pairs.place = std::move(lead);
        return pairs;
    };

    Schedule schedule;
    Frames frames;
    int64_t free = 0;  // the first frame not taken
    for (size_t i = 0; i < lines.size(); ++i) {
        const TranscriptLine& line = lines[i];
        platform::Result<std::vector<CaptionRow>> rows = layoutCaption(line.text, align);
        if (!rows) {
            return platform::Error{where(fileName, line) + rows.message()};
        }
        for (size_t r = 0; r < rows.value().size(); ++r) {
            const RowPairs pairs = linePairs(rows.value()[r]);
            const auto lead = static_cast<int64_t>(pairs.place.size());
            const int64_t at =
                r == 0 ? textFrame(line, lead, free, fileName, schedule) : free + lead;
            frames.place(at - lead, pairs.place);
            free = frames.place(at, pairs.text);
        }
        // The lines stay and scroll up as the next come, unless a pause
        // leaves time to clear the screen.
        const int64_t eraseAt = std::max(frameAt(line.end), free);
        bool erase = i + 1 == lines.size();
        if (!erase) {
            const TranscriptLine& next = lines[i + 1];
            platform::Result<std::vector<CaptionRow>> nextRows = layoutCaption(next.text, align);
            const int64_t nextLead =
                nextRows ? static_cast<int64_t>(linePairs(nextRows.value()[0]).place.size()) : 0;
            erase = eraseAt + kErasePairs <= frameAt(next.start) - nextLead;
        }
        if (erase) {
            free = frames.place(eraseAt, {kEraseDisplayed, kEraseDisplayed});
        }
    }
    schedule.words = frames.take();
    return schedule;
}

platform::Result<Schedule> schedulePaintOn(const std::vector<TranscriptLine>& lines, Align align,
                                           const std::string& fileName) {
    Schedule schedule;
    Frames frames;
    int64_t free = 0;
    bool shown = false;  // a caption on screen that no erase has cleared yet
    for (size_t i = 0; i < lines.size(); ++i) {
        const TranscriptLine& line = lines[i];
        platform::Result<std::vector<CaptionRow>> rows = layoutCaption(line.text, align);
        if (!rows) {
            return platform::Error{where(fileName, line) + rows.message()};
        }
        const int firstRow = 16 - static_cast<int>(rows.value().size());
        const RowPairs first = rowPairs(rows.value()[0], firstRow);
        std::vector<Pair> lead;
        twice(lead, kDirectCaptioning);
        if (shown) {
            twice(lead, kEraseDisplayed);
        }
        append(lead, first.place);
        const int64_t at =
            textFrame(line, static_cast<int64_t>(lead.size()), free, fileName, schedule);
        frames.place(at - static_cast<int64_t>(lead.size()), lead);
        free = frames.place(at, first.text);
        for (size_t r = 1; r < rows.value().size(); ++r) {
            const RowPairs pairs = rowPairs(rows.value()[r], firstRow + static_cast<int>(r));
            free = frames.place(free, pairs.place);
            free = frames.place(free, pairs.text);
        }
        shown = true;

        // Erased at its end, unless the next caption comes too soon after:
        // then its own pairs erase this one.
        const int64_t eraseAt = std::max(frameAt(line.end), free);
        bool erase = i + 1 == lines.size();
        if (!erase) {
            const TranscriptLine& next = lines[i + 1];
            platform::Result<std::vector<CaptionRow>> nextRows = layoutCaption(next.text, align);
            int64_t nextLead = 2;
            if (nextRows) {
                const int nextFirst = 16 - static_cast<int>(nextRows.value().size());
                nextLead +=
                    static_cast<int64_t>(rowPairs(nextRows.value()[0], nextFirst).place.size());
            }
            erase = eraseAt + kErasePairs <= frameAt(next.start) - nextLead;
        }
        if (erase) {
            free = frames.place(eraseAt, {kEraseDisplayed, kEraseDisplayed});
            shown = false;
        }
    }
    schedule.words = frames.take();
    return schedule;
}

}  // namespace tools::broadcast
