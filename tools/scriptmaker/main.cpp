// scriptmaker [--all-modes] CAPTIONS.scc SCRIPT.txt: writes the script the
// program would record from a broadcast carrying these captions.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scc/Scc.h"
#include "tools/scriptmaker/ScriptMaker.h"

int main(int argc, char** argv) {
    tools::ScriptOptions options;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--all-modes") {
            options.allCaptionModes = true;
        } else if (arg.substr(0, 2) == "--") {
            std::fprintf(stderr, "scriptmaker: unknown option '%s'\n", argv[i]);
            files.clear();
            break;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr,
                     "usage: scriptmaker [--all-modes] CAPTIONS.scc SCRIPT.txt\n"
                     "  --all-modes  roll-up and paint-on captions get rows too\n");
        return 1;
    }
    platform::Result<platform::scc::CaptionTrack> track = platform::scc::readSccFile(files[0]);
    if (!track) {
        std::fprintf(stderr, "scriptmaker: %s\n", track.message().c_str());
        return 1;
    }
    for (const std::string& warning : track.value().warnings) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    platform::Result<tools::ScriptSummary> summary =
        tools::makeScript(track.value(), files[1], options);
    if (!summary) {
        std::fprintf(stderr, "scriptmaker: %s\n", summary.message().c_str());
        return 1;
    }
    std::printf("%lld pairs, %lld rows, %.2f s of programme\n",
                static_cast<long long>(summary.value().pairs),
                static_cast<long long>(summary.value().rows), summary.value().seconds);
    return 0;
}
