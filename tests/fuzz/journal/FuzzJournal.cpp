// Any bytes as a recording's journal: the reader never crashes, reads only
// whole records, reads the same from the part it accepted, and what it read
// written out again reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "recording/JournalText.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = recording::parseJournal(text);
    if (!parsed) {
        return 0;
    }
    const recording::JournalContents& j = parsed.value();
    require(j.validBytes <= size);
    require(j.validBytes == size || j.validBytes == 0 || text[j.validBytes - 1] == '\n');

    const auto again = recording::parseJournal(text.substr(0, j.validBytes));
    require(again && again.value().rows == j.rows && again.value().checks == j.checks &&
            again.value().wavPath == j.wavPath && again.value().scriptPath == j.scriptPath);

    std::string written = recording::journalStartText() + recording::journalWavText(j.wavPath) +
                          recording::journalScriptText(j.scriptPath);
    for (const std::string& row : j.rows) {
        written += recording::journalRowText(row);
    }
    for (const int32_t line : j.checks) {
        written += recording::journalCheckText(line);
    }
    const auto back = recording::parseJournal(written);
    require(back && back.value().validBytes == written.size() && back.value().rows == j.rows &&
            back.value().checks == j.checks && back.value().wavPath == j.wavPath &&
            back.value().scriptPath == j.scriptPath);
    const std::string script = recording::scriptText(j.rows, j.checks);
    require(recording::markedRows(j.rows, j.checks) <= j.rows.size());
    require(script.size() >= 2 * j.rows.size());
    return 0;
}
