// Any bytes as a script file: the reader never crashes, accounts for every
// line (a row or a problem naming it), gives the file back byte for byte,
// and a row changed and written back reads back as changed. The text of
// every row survives the trip to UTF-8 and back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "study/script/ScriptText.h"
#include "study/script/Windows1252.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const study::ScriptText parsed = study::parseScript(bytes);
    require(parsed.rows.size() + parsed.problems.size() == parsed.lines.size());
    for (const study::ScriptProblem& p : parsed.problems) {
        require(p.message.rfind("line " + std::to_string(p.lineNumber) + ": ", 0) == 0);
    }
    require(study::formatScript(parsed, parsed.rows) == bytes);

    std::vector<study::ScriptRow> rows = parsed.rows;
    for (study::ScriptRow& row : rows) {
        row.marked = !row.marked;
        row.startCs = row.startCs / 2 - 5;
        const platform::Result<std::string> back =
            study::windows1252FromUtf8(study::utf8FromWindows1252(row.text));
        require(back.isOk() && back.value() == row.text);
    }
    const study::ScriptText again = study::parseScript(study::formatScript(parsed, rows));
    require(again.problems.size() == parsed.problems.size());
    require(again.rows.size() == rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        require(again.rows[i] == rows[i]);
    }
    return 0;
}
