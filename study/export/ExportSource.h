#pragma once
// What an export reads from one recording: its rows as they are to be heard
// (times already moved by the recording's offset and edge changes), the text
// in UTF-8, and where its sound is. A plain copy, so an export can run on a
// worker thread while the window goes on editing.
#include <cstdint>
#include <string>
#include <vector>

namespace study {

struct ExportRow {
    int number = 0;       // 1-based place of the row in its script; names its clip
    int64_t startCs = 0;  // where the row lies in the sound
    int64_t endCs = 0;
    std::string text;  // UTF-8
    bool marked = false;
};

struct ExportSource {
    std::string name;             // the script's file name without ".txt": "news"
    std::string scriptPath;       // subtitles go beside it unless a folder is chosen
    std::string wavPath;          // the WAV of the same name beside the script
    std::string title;            // the programme's title when known, else empty
    int64_t recordedAt = 0;       // when the recording started, seconds since 1970 (UTC); 0 unknown
    std::vector<ExportRow> rows;  // every row of the script; the options choose
};

}  // namespace study
