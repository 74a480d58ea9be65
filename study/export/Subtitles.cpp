#include "study/export/Subtitles.h"

#include <algorithm>
#include <cstdio>

namespace study {

namespace {

// "00:01:02,030" (SubRip) or "00:01:02.030" (WebVTT).
std::string clock(int64_t cs, char decimal) {
    cs = std::max<int64_t>(cs, 0);
    char text[40] = {};
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%03lld",
                  static_cast<long long>(cs / 360000), static_cast<long long>(cs / 6000 % 60),
                  static_cast<long long>(cs / 100 % 60), decimal,
                  static_cast<long long>(cs % 100 * 10));
    return text;
}

std::string timing(const ExportRow& row, char decimal) {
    return clock(row.startCs, decimal) + " --> " + clock(std::max(row.endCs, row.startCs), decimal);
}

// WebVTT cue text: &, < and > are markup.
std::string escapeVtt(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A cue without text would end the cue early in a reader's eyes.
bool shown(const ExportRow& row) {
    return row.text.find_first_not_of(' ') != std::string::npos;
}

}  // namespace

std::string formatSrt(const std::vector<ExportRow>& rows) {
    std::string out;
    int number = 0;
    for (const ExportRow& row : rows) {
        if (!shown(row)) {
            continue;
        }
        out += std::to_string(++number) + "\n" + timing(row, ',') + "\n";
        out += (row.marked ? "★ " : "") + row.text + "\n\n";
    }
    return out;
}

std::string formatVtt(const std::vector<ExportRow>& rows) {
    // No STYLE block: FFmpeg 5.1's reader (and so every player built on it)
    // then finds no cues at all.
    std::string out = "WEBVTT\n\n";
    for (const ExportRow& row : rows) {
        if (!shown(row)) {
            continue;
        }
        out += timing(row, '.') + "\n";
        const std::string text = escapeVtt(row.text);
        out += (row.marked ? "<c.marked>" + text + "</c>" : text) + "\n\n";
    }
    return out;
}

}  // namespace study
