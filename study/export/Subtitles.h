#pragma once
// Rows as subtitles any player reads beside the recording: SubRip (.srt) and
// WebVTT (.vtt), UTF-8. Marked rows are flagged: a leading "★ " in SubRip, the
// class "marked" in WebVTT (<c.marked>…</c>, for a player's style sheet).
// Times before the start of the sound are shown from 0; a row that ends
// before it starts ends where it starts; rows without text are left out.
#include <string>
#include <vector>

#include "study/export/ExportSource.h"

namespace study {

std::string formatSrt(const std::vector<ExportRow>& rows);
std::string formatVtt(const std::vector<ExportRow>& rows);

}  // namespace study
