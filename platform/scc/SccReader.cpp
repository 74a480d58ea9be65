#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>

#include "platform/core/WholeFile.h"
#include "platform/scc/Scc.h"
#include "platform/scc/Timecode.h"

namespace platform::scc {

namespace {

constexpr std::string_view kHeader = "Scenarist_SCC V1.0";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool parseWord(std::string_view token, uint8_t& first, uint8_t& second) {
    if (token.size() != 4) {
        return false;
    }
    int digits[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        digits[i] = hexDigit(token[i]);
        if (digits[i] < 0) {
            return false;
        }
    }
    first = static_cast<uint8_t>(digits[0] * 16 + digits[1]);
    second = static_cast<uint8_t>(digits[2] * 16 + digits[3]);
    return true;
}

std::string describeFault(TimecodeFault fault, std::string_view token) {
    const std::string quoted = "'" + std::string(token) + "'";
    switch (fault) {
        case TimecodeFault::Malformed:
            return "bad timecode " + quoted;
        case TimecodeFault::OutOfRange:
            return "timecode out of range " + quoted;
        case TimecodeFault::FrameCount:
            return "frame count 30 or more in timecode " + quoted;
        case TimecodeFault::DroppedFrame:
            return "timecode " + quoted + " names a frame that drop-frame counting skips";
        case TimecodeFault::None:
            break;
    }
    return {};
}

// Frames already holding a word, as [first, end) runs keyed by their first frame.
class Occupancy {
  public:
    // The end of a run that [first, end) would overlap, or -1 when it is free.
    int64_t overlap(int64_t first, int64_t end) const {
        auto after = runs_.lower_bound(first);
        if (after != runs_.end() && after->first < end) {
            return after->second;
        }
        if (after != runs_.begin()) {
            auto before = std::prev(after);
            if (before->second > first) {
                return before->second;
            }
        }
        return -1;
    }
    void add(int64_t first, int64_t end) { runs_.emplace(first, end); }

  private:
    std::map<int64_t, int64_t> runs_;
};

class LineReader {
  public:
    LineReader(const std::string& fileName, CaptionTrack& track)
        : fileName_(fileName), track_(track) {}

    // Adds the line's words to the track, or a warning when it cannot be used.
    // Returns whether the line carried words.
    bool read(std::string_view line, size_t lineNumber) {
        lineNumber_ = lineNumber;
        size_t pos = 0;
        while (pos < line.size() && !isBlank(line[pos])) {
            ++pos;
        }
        const std::string_view timecode = line.substr(0, pos);
        const TimecodeValue start = parseTimecode(timecode);
        if (start.fault != TimecodeFault::None) {
            return warn(describeFault(start.fault, timecode));
        }

        words_.clear();
        while (pos < line.size()) {
            while (pos < line.size() && isBlank(line[pos])) {
                ++pos;
            }
            const size_t tokenStart = pos;
            while (pos < line.size() && !isBlank(line[pos])) {
                ++pos;
            }
            const std::string_view token = line.substr(tokenStart, pos - tokenStart);
            if (token.empty()) {
                break;
            }
            CaptionWord word;
            if (!parseWord(token, word.first, word.second)) {
                return warn("bad hex word '" + std::string(token) + "'");
            }
            word.frame = start.frame + static_cast<int64_t>(words_.size());
            words_.push_back(word);
        }
        if (words_.empty()) {
            return warn("no hex words after timecode '" + std::string(timecode) + "'");
        }

        const int64_t end = start.frame + static_cast<int64_t>(words_.size());
        const int64_t dayEnd = start.dropFrame ? kDropFramesPerDay : kNonDropFramesPerDay;
        if (end > dayEnd) {
            return warn("the words after timecode '" + std::string(timecode) + "' run past " +
                        formatTimecode(dayEnd - 1, start.dropFrame));
        }
        const int64_t taken = occupied_.overlap(start.frame, end);
        if (taken >= 0) {
            return warn("timecode '" + std::string(timecode) +
                        "' goes back over words already placed up to " +
                        formatTimecode(taken - 1, start.dropFrame));
        }
        occupied_.add(start.frame, end);
        track_.words.insert(track_.words.end(), words_.begin(), words_.end());
        return true;
    }

  private:
    bool warn(const std::string& what) {
        track_.warnings.push_back(fileName_ + ":" + std::to_string(lineNumber_) + ": " + what);
        return false;
    }

    const std::string& fileName_;
    CaptionTrack& track_;
    size_t lineNumber_ = 0;
    std::vector<CaptionWord> words_;
    Occupancy occupied_;
};

}  // namespace

Result<CaptionTrack> parseScc(std::string_view text, const std::string& fileName) {
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    CaptionTrack track;
    LineReader reader(fileName, track);
    size_t lineNumber = 0;
    size_t usableLines = 0;
    bool sawHeader = false;
    while (!text.empty() || lineNumber == 0) {
        const size_t eol = text.find('\n');
        const std::string_view line = trimRight(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        ++lineNumber;
        if (lineNumber == 1) {
            sawHeader = line == kHeader;
            if (!sawHeader) {
                break;
            }
            continue;
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) {
            continue;
        }
        if (reader.read(line, lineNumber)) {
            ++usableLines;
        }
    }
    if (!sawHeader) {
        return Error{fileName + ": not an SCC file: its first line is not \"" +
                     std::string(kHeader) + "\""};
    }
    if (usableLines == 0) {
        return Error{fileName + ": no usable caption line"};
    }
    // Lines may come out of order as long as they do not overlap.
    std::stable_sort(track.words.begin(), track.words.end(),
                     [](const CaptionWord& a, const CaptionWord& b) { return a.frame < b.frame; });
    return track;
}

Result<CaptionTrack> readSccFile(const std::string& path) {
    Result<FileRead> read = readWholeFile(path);
    if (!read) {
        return Error{read.message()};
    }
    if (!read.value().exists) {
        return Error{describeErrno("Cannot read", path, ENOENT)};
    }
    return parseScc(read.value().contents, path);
}

}  // namespace platform::scc
