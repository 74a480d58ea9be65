#pragma once
// What an export writes. Empty paths and false flags leave that output out.
//
// With ankiDir "cards" and a recording "news":
//   cards/news.tsv                        the notes (UTF-8, "#separator:tab", "#html:true")
//   cards/media/news_1a2b3c4d_0012.mp3     one clip per chosen row, to copy into
//                                          Anki's collection.media folder
// Clips are named after the script, a short hash of the recording's sound
// and the row's number in the script, so that two recordings never collide
// and a row keeps its name whatever rows are chosen. clipsDir gets the same
// clips without cards. Subtitles are written as NAME.srt and NAME.vtt into
// subtitleDir, or beside each script when it is empty, so players find them
// beside NAME.wav.
#include <string>

#include "study/sound/SoundSpan.h"

namespace study {

enum class RowChoice { All = 1, Marked };
enum class ClipFormat { Mp3 = 1, Opus };  // Opus in Ogg, at 48 kHz

struct ExportOptions {
    RowChoice rows = RowChoice::All;
    Padding padding;  // around every clip and every row of the condensed audio
    ClipFormat clipFormat = ClipFormat::Mp3;
    // Every clip is brought to this EBU R128 integrated loudness (speech on
    // phones), unless that would take its true peak over peakLimitDbtp: then
    // the gain stops there, so normalising never clips. Near-silence is
    // raised by at most 30 dB.
    double targetLufs = -16.0;
    double peakLimitDbtp = -1.0;

    std::string ankiDir;
    std::string clipsDir;
    // One file of every chosen row of every recording, in order, each with
    // its padding and condensedGapMs of silence between them. The format
    // follows the extension: ".mp3", ".opus" (Ogg Opus) or ".wav" (16-bit PCM).
    std::string condensedPath;
    int condensedGapMs = 500;
    bool srt = false;  // marked rows start with "★ "
    bool vtt = false;  // marked rows are wrapped in <c.marked>…</c>
    std::string subtitleDir;
};

// The extension a clip of this format gets, with its dot: ".mp3", ".opus".
const char* clipExtension(ClipFormat format);

}  // namespace study
