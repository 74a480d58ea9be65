#include "study/cli/ExportArgs.h"

#include <charconv>
#include <optional>

namespace study {

namespace {

using platform::Error;

std::optional<int> wholeNumber(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string exportUsage() {
    return "Usage: cuelark-export [options] SCRIPT.txt...\n"
           "Exports recordings made by Cuelark (a script and the WAV of the same name\n"
           "beside it) as flashcards, clips, condensed audio and subtitles.\n"
           "\n"
           "  --marked          only the rows marked with Check (default: every row)\n"
           "  --anki DIR        Anki cards: DIR/NAME.tsv, clips in DIR/media/\n"
           "  --clips DIR       one clip per row in DIR, without cards\n"
           "  --opus            clips as Ogg Opus instead of MP3\n"
           "  --srt, --vtt      subtitles NAME.srt, NAME.vtt beside each script\n"
           "  --subtitles DIR   write the subtitles into DIR instead\n"
           "  --condensed FILE  the chosen rows of every script in one file (.mp3, .opus, .wav)\n"
           "  --pad-start MS    sound kept before each row (default 50)\n"
           "  --pad-end MS      sound kept after each row (default 350)\n"
           "  --gap MS          silence between rows of the condensed audio (default 500)\n"
           "  --loudness LUFS   loudness of clips and condensed audio (default -16)\n"
           "  --help            show this text\n"
           "\n"
           "Nothing is written unless the whole export succeeds.\n";
}

platform::Result<ExportCommand> parseExportArgs(const std::vector<std::string>& args) {
    ExportCommand command;
    ExportOptions& o = command.options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            command.scripts.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> joined;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            joined = arg.substr(eq + 1);
            arg.resize(eq);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (joined) {
                return joined;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        const auto flag = [&](bool& target) {
            target = true;
            return !joined.has_value();
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            ok = flag(command.help);
        } else if (arg == "--marked") {
            bool marked = false;
            ok = flag(marked);
            o.rows = RowChoice::Marked;
        } else if (arg == "--srt") {
            ok = flag(o.srt);
        } else if (arg == "--vtt") {
            ok = flag(o.vtt);
        } else if (arg == "--opus") {
            bool opus = false;
            ok = flag(opus);
            o.clipFormat = ClipFormat::Opus;
        } else if (arg == "--anki" || arg == "--clips" || arg == "--subtitles" ||
                   arg == "--condensed") {
            std::optional<std::string> v = value();
            if (!v || v->empty()) {
                return Error{arg + " needs " +
                             (arg == "--condensed" ? "a file name." : "a folder.")};
            }
            (arg == "--anki"        ? o.ankiDir
             : arg == "--clips"     ? o.clipsDir
             : arg == "--subtitles" ? o.subtitleDir
                                    : o.condensedPath) = *v;
        } else if (arg == "--pad-start" || arg == "--pad-end" || arg == "--gap") {
            std::optional<std::string> v = value();
            const std::optional<int> ms = v ? wholeNumber(*v, 0, 10000) : std::nullopt;
            if (!ms) {
                return Error{arg + " needs a number of milliseconds (0 to 10000)" +
                             (v ? ", not '" + *v + "'." : ".")};
            }
            (arg == "--pad-start" ? o.padding.beforeMs
             : arg == "--pad-end" ? o.padding.afterMs
                                  : o.condensedGapMs) = *ms;
        } else if (arg == "--loudness") {
            std::optional<std::string> v = value();
            const std::optional<int> lufs = v ? wholeNumber(*v, -40, -5) : std::nullopt;
            if (!lufs) {
                return Error{"--loudness needs a whole number of LUFS (-40 to -5)" +
                             (v ? ", not '" + *v + "'." : std::string("."))};
            }
            o.targetLufs = *lufs;
        } else {
            return Error{"Unknown option '" + arg + "'. See cuelark-export --help."};
        }
        if (!ok) {
            return Error{"The option " + arg + " takes no value."};
        }
    }
    if (command.help) {
        return command;
    }
    if (command.scripts.empty()) {
        return Error{"Name at least one script to export. See cuelark-export --help."};
    }
    if (o.ankiDir.empty() && o.clipsDir.empty() && o.condensedPath.empty() && !o.srt && !o.vtt) {
        return Error{"Choose what to export: --anki, --clips, --condensed, --srt or --vtt."};
    }
    return command;
}

}  // namespace study
