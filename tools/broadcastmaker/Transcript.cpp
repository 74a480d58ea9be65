#include "tools/broadcastmaker/Transcript.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

namespace tools::broadcast {

namespace {

bool parseSeconds(std::string_view field, double& out) {
    while (!field.empty() && field.front() == ' ') {
        field.remove_prefix(1);
    }
    while (!field.empty() && field.back() == ' ') {
        field.remove_suffix(1);
    }
    if (field.empty()) {
        return false;
    }
    const char* first = field.data();
    const char* last = first + field.size();
    const std::from_chars_result r = std::from_chars(first, last, out, std::chars_format::fixed);
    return r.ec == std::errc() && r.ptr == last && std::isfinite(out) && out >= 0.0;
}

}  // namespace

platform::Result<std::vector<TranscriptLine>> parseTranscript(std::string_view text,
                                                              const std::string& fileName) {
    std::vector<TranscriptLine> lines;
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#') {
            continue;
        }
        const std::string where = fileName + ":" + std::to_string(lineNumber) + ": ";
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) {
            return platform::Error{where + "expected start, tab, end, tab, text"};
        }
        TranscriptLine entry;
        entry.lineNumber = lineNumber;
        if (!parseSeconds(line.substr(0, tab1), entry.start)) {
            return platform::Error{where + "bad start time '" + std::string(line.substr(0, tab1)) +
                                   "'"};
        }
        const std::string_view endField = line.substr(tab1 + 1, tab2 - tab1 - 1);
        if (!parseSeconds(endField, entry.end)) {
            return platform::Error{where + "bad end time '" + std::string(endField) + "'"};
        }
        if (entry.end <= entry.start) {
            return platform::Error{where + "the caption ends before it starts"};
        }
        if (!lines.empty() && entry.start < lines.back().end) {
            return platform::Error{where + "the caption starts before the previous one ends"};
        }
        entry.text = std::string(line.substr(tab2 + 1));
        if (entry.text.find_first_not_of(" |") == std::string::npos) {
            return platform::Error{where + "the caption has no text"};
        }
        lines.push_back(std::move(entry));
    }
    if (lines.empty()) {
        return platform::Error{fileName + ": no caption line"};
    }
    return lines;
}

platform::Result<std::vector<TranscriptLine>> readTranscriptFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return platform::Error{platform::describeErrno("Cannot read", path, errno)};
    }
    const std::string content{std::istreambuf_iterator<char>(in), {}};
    if (in.bad()) {
        return platform::Error{platform::describeErrno("Cannot read", path, errno)};
    }
    return parseTranscript(content, path);
}

}  // namespace tools::broadcast
