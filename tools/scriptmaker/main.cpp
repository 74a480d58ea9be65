// scriptmaker CAPTIONS.scc SCRIPT.txt: writes the script the program would
// record from a broadcast carrying these captions.
#include <cstdio>
#include <string>

#include "platform/scc/Scc.h"
#include "tools/scriptmaker/ScriptMaker.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: scriptmaker CAPTIONS.scc SCRIPT.txt\n");
        return 1;
    }
    platform::Result<platform::scc::CaptionTrack> track = platform::scc::readSccFile(argv[1]);
    if (!track) {
        std::fprintf(stderr, "scriptmaker: %s\n", track.message().c_str());
        return 1;
    }
    for (const std::string& warning : track.value().warnings) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    platform::Result<tools::ScriptSummary> summary = tools::makeScript(track.value(), argv[2]);
    if (!summary) {
        std::fprintf(stderr, "scriptmaker: %s\n", summary.message().c_str());
        return 1;
    }
    std::printf("%lld pairs, %lld rows, %.2f s of programme\n",
                static_cast<long long>(summary.value().pairs),
                static_cast<long long>(summary.value().rows), summary.value().seconds);
    return 0;
}
