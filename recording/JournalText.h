#pragma once
// The text of a recording's journal: what the script builder committed, line
// by line, as it happened, so a recording that never reached its stop can
// still get its script. One record a line, each ended by a line feed:
//
//   CUELARK-JOURNAL 1          first line
//   wav PATH                   where the stop would save the sound
//   script PATH                the script file opened at the start
//   row START<TAB>END<TAB>TEXT  a committed row, as the script holds it
//   check N                    Check pressed while line N was current
//
// Backslash, line feed and carriage return in a value are written \\, \n
// and \r. A line without its line feed (a write cut short) and anything
// after the first line that does not read as a record are not part of the
// journal: rows complete up to there are.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace recording {

struct JournalContents {
    std::string wavPath;
    std::string scriptPath;
    std::vector<std::string> rows;
    std::set<int32_t> checks;
    std::size_t validBytes = 0;  // how much of the text read as records
};

std::string journalStartText();
std::string journalWavText(std::string_view path);
std::string journalScriptText(std::string_view path);
std::string journalRowText(std::string_view row);
std::string journalCheckText(int32_t line);

// Fails only when the text does not begin as a journal.
platform::Result<JournalContents> parseJournal(std::string_view text);

// The script file's bytes for these rows and checks, as the stop writes
// them: each row, then a tab and "1" when a check was made while the next
// line was current, then CR LF.
std::string scriptText(const std::vector<std::string>& rows, const std::set<int32_t>& checks);

// How many rows scriptText marks.
std::size_t markedRows(const std::vector<std::string>& rows, const std::set<int32_t>& checks);

}  // namespace recording
