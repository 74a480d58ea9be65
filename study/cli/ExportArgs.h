#pragma once
// The command line of cuelark-export:
//   cuelark-export [--marked] [--anki DIR] [--clips DIR] [--opus] [--srt] [--vtt]
//                  [--subtitles DIR] [--condensed FILE] [--pad-start MS] [--pad-end MS]
//                  [--gap MS] [--loudness LUFS] SCRIPT.txt...
// An option's value follows it or is joined with "=" (--pad-end=400); "--"
// ends the options.
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "study/export/ExportOptions.h"

namespace study {

struct ExportCommand {
    bool help = false;  // --help: print the usage, do nothing else
    ExportOptions options;
    std::vector<std::string> scripts;
};

// Fails with a message for the user: "--pad-end needs a number of
// milliseconds (0 to 10000), not 'x'."
platform::Result<ExportCommand> parseExportArgs(const std::vector<std::string>& args);

std::string exportUsage();

}  // namespace study
