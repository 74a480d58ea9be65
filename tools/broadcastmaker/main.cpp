// broadcastmaker: makes a sample station for the simulated card from a timed
// transcript: its captions as an SCC file, the lines spoken into a FLAC file,
// and its title.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/scc/Scc.h"
#include "tools/broadcastmaker/CaptionText.h"
#include "tools/broadcastmaker/LiveSchedule.h"
#include "tools/broadcastmaker/Schedule.h"
#include "tools/broadcastmaker/SoundTrack.h"
#include "tools/broadcastmaker/Speech.h"
#include "tools/broadcastmaker/Transcript.h"

namespace {

using namespace tools::broadcast;

constexpr const char* kUsage =
    "usage: broadcastmaker [options] --title=TITLE TRANSCRIPT.txt STATION_FOLDER\n"
    "  TRANSCRIPT.txt: one caption a line, start<TAB>end<TAB>text (seconds);\n"
    "                  '|' breaks a row, <i>...</i> is italics, '#' starts a comment\n"
    "  --pattern=edm   each caption shown by erase displayed memory + end of caption,\n"
    "                  erased at its end (the default)\n"
    "  --pattern=eoc   end of caption alone replaces the caption on display; erase\n"
    "                  displayed memory only before a pause\n"
    "  --style=popon|rollup2|rollup3|rollup4|painton   how the captions go out\n"
    "                  (default popon); roll-up: each row a line of its own, its\n"
    "                  first character at the caption's start\n"
    "  --base-row=N    the roll-up window's bottom row, 1 to 15 (default 15)\n"
    "  --align=centre|left   where the rows stand (default centre)\n"
    "  --rate=HZ       sample rate of sound.flac (default 16000)\n"
    "  --voice=NAME    espeak-ng voice (default en-us)\n"
    "  --speed=WPM     words per minute (default 150)\n"
    "  --silent        write a silent sound.flac instead of speaking the lines\n";

enum class Style { PopOn = 1, RollUp, PaintOn };

struct Options {
    Pattern pattern = Pattern::EraseAndEnd;
    Style style = Style::PopOn;
    RollUpWindow window;
    Align align = Align::Centre;
    int rate = 16000;
    Voice voice;
    bool silent = false;
    std::string title;
    std::string transcript;
    std::string folder;
};

bool parseInt(std::string_view s, int low, int high, int& out) {
    try {
        size_t used = 0;
        const int v = std::stoi(std::string(s), &used);
        if (used != s.size() || v < low || v > high) {
            return false;
        }
        out = v;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
    std::vector<std::string> positional;
    bool baseRowGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const auto value = [&a](std::string_view name) -> std::optional<std::string_view> {
            if (a.substr(0, name.size()) == name) {
                return a.substr(name.size());
            }
            return std::nullopt;
        };
        if (auto v = value("--pattern=")) {
            if (*v == "edm") {
                o.pattern = Pattern::EraseAndEnd;
            } else if (*v == "eoc") {
                o.pattern = Pattern::EndOfCaption;
            } else {
                error = "unknown pattern '" + std::string(*v) + "'";
                return false;
            }
        } else if (auto v = value("--style=")) {
            if (*v == "popon") {
                o.style = Style::PopOn;
            } else if (*v == "painton") {
                o.style = Style::PaintOn;
            } else if (*v == "rollup2" || *v == "rollup3" || *v == "rollup4") {
                o.style = Style::RollUp;
                o.window.rows = (*v)[6] - '0';
            } else {
                error = "unknown style '" + std::string(*v) + "'";
                return false;
            }
        } else if (auto v = value("--base-row=")) {
            if (!parseInt(*v, 1, 15, o.window.baseRow)) {
                error = "bad base row '" + std::string(*v) + "' (1 to 15)";
                return false;
            }
            baseRowGiven = true;
        } else if (auto v = value("--align=")) {
            if (*v == "centre" || *v == "center") {
                o.align = Align::Centre;
            } else if (*v == "left") {
                o.align = Align::Left;
            } else {
                error = "unknown alignment '" + std::string(*v) + "'";
                return false;
            }
        } else if (auto v = value("--rate=")) {
            if (!parseInt(*v, 8000, 48000, o.rate)) {
                error = "bad sample rate '" + std::string(*v) + "' (8000 to 48000)";
                return false;
            }
        } else if (auto v = value("--speed=")) {
            if (!parseInt(*v, 80, 450, o.voice.wordsPerMinute)) {
                error = "bad speed '" + std::string(*v) + "' (80 to 450)";
                return false;
            }
        } else if (auto v = value("--voice=")) {
            o.voice.name = std::string(*v);
        } else if (auto v = value("--title=")) {
            o.title = std::string(*v);
        } else if (a == "--silent") {
            o.silent = true;
        } else if (a.substr(0, 2) == "--") {
            error = "unknown option '" + std::string(a) + "'";
            return false;
        } else {
            positional.emplace_back(a);
        }
    }
    if (baseRowGiven && o.style != Style::RollUp) {
        error = "--base-row is for the roll-up styles";
        return false;
    }
    if (positional.size() != 2) {
        error = "expected a transcript and a station folder";
        return false;
    }
    if (o.title.empty() || o.title.find_first_of("\r\n") != std::string::npos) {
        error = "--title must give a one-line title";
        return false;
    }
    o.transcript = positional[0];
    o.folder = positional[1];
    return true;
}

platform::Status writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
        return platform::Error{platform::describeErrno("Cannot write", path, errno)};
    }
    return {};
}

platform::Status makeSound(const Options& o, const std::vector<TranscriptLine>& lines,
                           SoundTrack& track) {
    if (o.silent) {
        return {};
    }
    std::string work = (std::filesystem::temp_directory_path() / "broadcastmaker.XXXXXX").string();
    if (!::mkdtemp(work.data())) {
        return platform::Error{platform::describeErrno("Cannot create", work, errno)};
    }
    platform::Status status;
    for (const TranscriptLine& line : lines) {
        platform::Result<std::vector<float>> sound =
            speak(spokenText(line.text), o.voice, o.rate, work);
        if (!sound) {
            status = platform::Error{o.transcript + ":" + std::to_string(line.lineNumber) + ": " +
                                     sound.message()};
            break;
        }
        const double lasts = static_cast<double>(sound.value().size()) / o.rate;
        if (lasts > line.end - line.start) {
            std::fprintf(stderr, "%s:%zu: spoken for %.2f s, longer than its caption (%.2f s)\n",
                         o.transcript.c_str(), line.lineNumber, lasts, line.end - line.start);
        }
        track.mixAt(line.start, sound.value());
    }
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    return status;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "broadcastmaker: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!parseOptions(argc, argv, o, error)) {
        std::fprintf(stderr, "broadcastmaker: %s\n%s", error.c_str(), kUsage);
        return 1;
    }
    platform::Result<std::vector<TranscriptLine>> lines = readTranscriptFile(o.transcript);
    if (!lines) {
        return fail(lines.message());
    }
    platform::Result<Schedule> schedule =
        o.style == Style::RollUp ? scheduleRollUp(lines.value(), o.window, o.align, o.transcript)
        : o.style == Style::PaintOn
            ? schedulePaintOn(lines.value(), o.align, o.transcript)
            : scheduleCaptions(lines.value(), o.pattern, o.align, o.transcript);
    if (!schedule) {
        return fail(schedule.message());
    }
    for (const std::string& w : schedule.value().warnings) {
        std::fprintf(stderr, "%s\n", w.c_str());
    }

    std::error_code ec;
    std::filesystem::create_directories(o.folder, ec);
    if (ec) {
        return fail("Cannot create '" + o.folder + "': " + ec.message());
    }
    const std::string scc = o.folder + "/captions.scc";
    if (platform::Status s = writeText(scc, platform::scc::formatScc(schedule.value().words)); !s) {
        return fail(s.message());
    }

    SoundTrack track(o.rate);
    if (platform::Status s = makeSound(o, lines.value(), track); !s) {
        return fail(s.message());
    }
    // The programme runs on a little after its last caption is erased.
    const double lastWord = platform::scc::frameTime(schedule.value().words.back().frame);
    track.extendTo(std::max(lastWord, track.seconds()) + 2.0);
    if (platform::Status s = track.writeFlac(o.folder + "/sound.flac"); !s) {
        return fail(s.message());
    }
    if (platform::Status s = writeText(o.folder + "/title.txt", o.title + "\n"); !s) {
        return fail(s.message());
    }
    std::printf("%zu captions, %.1f s of programme, written to %s\n", lines.value().size(),
                track.seconds(), o.folder.c_str());
    return 0;
}
