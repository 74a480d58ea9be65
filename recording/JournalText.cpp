#include "recording/JournalText.h"

#include <charconv>

namespace recording {

namespace {

constexpr std::string_view kFirstLine = "CUELARK-JOURNAL 1";

std::string escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool unescape(std::string_view value, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size()) {
            return false;
        }
        switch (value[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return false;
        }
    }
    return true;
}

bool readInt(std::string_view text, int32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty() &&
           text[0] != '+';
}

// start<TAB>end<TAB>text, both times whole numbers.
bool isRow(std::string_view row) {
    const std::size_t tab1 = row.find('\t');
    if (tab1 == std::string_view::npos) {
        return false;
    }
    const std::size_t tab2 = row.find('\t', tab1 + 1);
    int32_t n = 0;
    return tab2 != std::string_view::npos && readInt(row.substr(0, tab1), n) &&
           readInt(row.substr(tab1 + 1, tab2 - tab1 - 1), n);
}

bool readRecord(std::string_view line, JournalContents& j) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    const std::string_view key = line.substr(0, space);
    std::string value;
    if (!unescape(line.substr(space + 1), value)) {
        return false;
    }
    if (key == "row") {
        if (!isRow(value)) {
            return false;
        }
        j.rows.push_back(std::move(value));
    } else if (key == "check") {
        int32_t n = 0;
        if (!readInt(value, n)) {
            return false;
        }
        j.checks.insert(n);
    } else if (key == "wav") {
        j.wavPath = std::move(value);
    } else if (key == "script") {
        j.scriptPath = std::move(value);
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string journalStartText() {
    return std::string(kFirstLine) + "\n";
}
std::string journalWavText(std::string_view path) {
    return "wav " + escaped(path) + "\n";
}
std::string journalScriptText(std::string_view path) {
    return "script " + escaped(path) + "\n";
}
std::string journalRowText(std::string_view row) {
    return "row " + escaped(row) + "\n";
}
std::string journalCheckText(int32_t line) {
    return "check " + std::to_string(line) + "\n";
}

platform::Result<JournalContents> parseJournal(std::string_view text) {
    if (text.substr(0, kFirstLine.size() + 1) != journalStartText()) {
        return platform::Error{"it is not a recording's journal"};
    }
    JournalContents j;
    std::size_t at = kFirstLine.size() + 1;
    j.validBytes = at;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos || !readRecord(text.substr(at, end - at), j)) {
            break;
        }
        at = end + 1;
        j.validBytes = at;
    }
    return j;
}

std::string scriptText(const std::vector<std::string>& rows, const std::set<int32_t>& checks) {
    std::string out;
    for (std::size_t i = 1; i <= rows.size(); ++i) {
        out += rows[i - 1];
        // A check marks the row before the line current at the press.
        out += checks.count(static_cast<int32_t>(i + 1)) != 0 ? "\t1\r\n" : "\r\n";
    }
    return out;
}

std::size_t markedRows(const std::vector<std::string>& rows, const std::set<int32_t>& checks) {
    std::size_t n = 0;
    for (std::size_t i = 1; i <= rows.size(); ++i) {
        n += checks.count(static_cast<int32_t>(i + 1));
    }
    return n;
}

}  // namespace recording
