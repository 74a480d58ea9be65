#pragma once
// Cards for Anki's text import, and the names of the clips they play.
//
// The file: UTF-8, the header lines "#separator:tab", "#html:true" and
// "#columns:Text<TAB>Sound<TAB>Time<TAB>Source", then one note a line:
//   Text    the row's text, escaped for HTML (a double quote too: Anki would
//           take a field starting with one as quoted)
//   Sound   "[sound:news_1a2b3c4d_0012.mp3]", empty when the row has no clip
//   Time    where the row starts in the recording, "mm:ss.cc"
//   Source  "programme title · news · 2026-12-07 18:46" (the title when known;
//           the date and time the recording started, local time)
#include <cstdint>
#include <string>
#include <vector>

#include "study/export/ExportSource.h"

namespace study {

std::string escapeHtml(const std::string& text);

// 8 hex digits from what the recording was made with: its script as
// recorded (the backup when there is one) and samples of its sound. Stays
// the same when marks and times are edited; differs between recordings.
std::string recordingTag(const ExportSource& source);

// "news_1a2b3c4d_0012.mp3": the script's name (characters that would trouble
// a file name or Anki's [sound:] field replaced by "_"), the tag, and the
// row's number in the script, four digits or more.
std::string clipFileName(const std::string& name, const std::string& tag, int rowNumber,
                         const std::string& extension);

// clipNames holds, for each row, its clip's file name or "" for none.
std::string formatAnkiNotes(const ExportSource& source, const std::vector<ExportRow>& rows,
                            const std::vector<std::string>& clipNames);

}  // namespace study
