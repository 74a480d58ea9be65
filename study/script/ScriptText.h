#pragma once
// The bytes of a script file and the rows in them. A script has one row per
// caption: start TAB end TAB text, then TAB "1" on rows the user marked,
// ending in CR LF; times are centiseconds from the start of the recording,
// the text Windows-1252.
//
// Every line keeps its bytes, so that a script read and written back without
// changes is the same file byte for byte, and lines that are not rows (a
// hand edit gone wrong, a truncated last line) are written back as they were
// instead of being lost.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace study {

struct ScriptRow {
    int lineNumber = 0;  // 1-based line of the file the row was read from
    int32_t startCs = 0;
    int32_t endCs = 0;    // may lie before startCs (a recording across midnight)
    std::string text;     // Windows-1252 bytes, as stored
    bool marked = false;  // the fourth column "1"

    bool operator==(const ScriptRow&) const = default;
};

// A line that is not a row, with the reason in the user's words:
// "line 7: the end time \"12a\" is not a whole number".
struct ScriptProblem {
    int lineNumber = 0;
    std::string message;  // starts with "line N: "
};

struct ScriptText {
    // Every line of the file with its own line end ("\r\n", "\n", or none on
    // a last line without one); joined they are the file.
    std::vector<std::string> lines;
    std::vector<ScriptRow> rows;          // the lines that are rows, in file order
    std::vector<ScriptProblem> problems;  // the lines that are not, in file order
};

// Reads any bytes; never fails. An empty file has no lines and no rows.
// A row is two decimal integers (an optional minus sign, at most 9 digits)
// and the text, separated by single tabs, and an optional fourth column that
// is exactly "1". Empty lines and carriage returns inside a line are
// problems too, since the recorder never writes them.
ScriptText parseScript(std::string_view bytes);

// The file's bytes with rows (the same number as parsed.rows, in the same
// order) written into it. A row equal to its parsed self gives back its line
// byte for byte; a changed one is written start TAB end TAB text [TAB 1]
// with the line end it had. Lines that are not rows come back unchanged.
std::string formatScript(const ScriptText& parsed, const std::vector<ScriptRow>& rows);

// One row as the recorder writes it: start TAB end TAB text [TAB 1] CR LF.
std::string formatRow(const ScriptRow& row);

}  // namespace study
