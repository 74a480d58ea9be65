#include "study/script/ScriptText.h"

#include <optional>

#include "study/script/Windows1252.h"

namespace study {

namespace {

constexpr std::size_t kMaxDigits = 9;  // keeps every time well inside 32 bits
constexpr std::size_t kQuoteLength = 24;

std::optional<int32_t> parseTime(std::string_view s) {
    const bool negative = !s.empty() && s.front() == '-';
    if (negative) {
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > kMaxDigits) {
        return std::nullopt;
    }
    int32_t value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// A piece of the line for a message, in UTF-8, shortened when long.
std::string quote(std::string_view bytes) {
    if (bytes.size() > kQuoteLength) {
        return "\"" + utf8FromWindows1252(bytes.substr(0, kQuoteLength)) + "…\"";
    }
    return "\"" + utf8FromWindows1252(bytes) + "\"";
}

std::string_view lineEndOf(std::string_view line) {
    if (line.ends_with("\r\n")) {
        return line.substr(line.size() - 2);
    }
    if (line.ends_with('\n')) {
        return line.substr(line.size() - 1);
    }
    return {};
}

// Reads one line without its line end; on failure returns why.
std::optional<std::string> readRow(std::string_view content, ScriptRow& row) {
    if (content.empty()) {
        return "the line is empty";
    }
    // Only the line end may hold one; a row written back must read back the same.
    if (content.find('\r') != std::string_view::npos) {
        return "a carriage return stands inside the line";
    }
    std::vector<std::string_view> columns;
    for (std::size_t from = 0;;) {
        const std::size_t tab = content.find('\t', from);
        columns.push_back(content.substr(from, tab == std::string_view::npos ? tab : tab - from));
        if (tab == std::string_view::npos) {
            break;
        }
        from = tab + 1;
    }
    const std::optional<int32_t> start = parseTime(columns[0]);
    if (!start) {
        return "the start time " + quote(columns[0]) + " is not a whole number of centiseconds";
    }
    if (columns.size() < 2) {
        return "there is no end time (columns are separated by tabs)";
    }
    const std::optional<int32_t> end = parseTime(columns[1]);
    if (!end) {
        return "the end time " + quote(columns[1]) + " is not a whole number of centiseconds";
    }
    if (columns.size() < 3) {
        return "there is no text column after the end time";
    }
    if (columns.size() > 4) {
        return "there are more than four columns";
    }
    if (columns.size() == 4 && columns[3] != "1") {
        return "the fourth column is " + quote(columns[3]) + "; only 1 (a mark) may stand there";
    }
    row.startCs = *start;
    row.endCs = *end;
    row.text = std::string(columns[2]);
    row.marked = columns.size() == 4;
    return std::nullopt;
}

}  // namespace

ScriptText parseScript(std::string_view bytes) {
    ScriptText script;
    for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t newline = bytes.find('\n', from);
        const std::size_t next = newline == std::string_view::npos ? bytes.size() : newline + 1;
        const std::string_view line = bytes.substr(from, next - from);
        from = next;
        script.lines.emplace_back(line);
        const int lineNumber = static_cast<int>(script.lines.size());

        ScriptRow row;
        row.lineNumber = lineNumber;
        const std::string_view content = line.substr(0, line.size() - lineEndOf(line).size());
        if (std::optional<std::string> why = readRow(content, row)) {
            script.problems.push_back(
                {lineNumber, "line " + std::to_string(lineNumber) + ": " + *why});
        } else {
            script.rows.push_back(std::move(row));
        }
    }
    return script;
}

std::string formatRow(const ScriptRow& row) {
    std::string line = std::to_string(row.startCs);
    line += '\t';
    line += std::to_string(row.endCs);
    line += '\t';
    line += row.text;
    if (row.marked) {
        line += "\t1";
    }
    line += "\r\n";
    return line;
}

std::string formatScript(const ScriptText& parsed, const std::vector<ScriptRow>& rows) {
    std::vector<std::string_view> lines(parsed.lines.begin(), parsed.lines.end());
    std::vector<std::string> changed;
    changed.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size() && i < parsed.rows.size(); ++i) {
        const ScriptRow& was = parsed.rows[i];
        if (rows[i] == was) {
            continue;
        }
        std::string_view& line = lines[static_cast<std::size_t>(was.lineNumber - 1)];
        std::string formatted = formatRow(rows[i]);
        formatted.resize(formatted.size() - 2);
        formatted += lineEndOf(line);
        changed.push_back(std::move(formatted));
        line = changed.back();
    }
    std::string out;
    std::size_t size = 0;
    for (const std::string_view line : lines) {
        size += line.size();
    }
    out.reserve(size);
    for (const std::string_view line : lines) {
        out += line;
    }
    return out;
}

}  // namespace study
