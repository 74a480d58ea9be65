#include "study/export/AnkiNotes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "platform/core/WholeFile.h"
#include "study/script/ScriptFile.h"
#include "study/script/TimeText.h"

namespace study {

namespace {

// FNV-1a, 64 bits: enough to tell a person's recordings apart.
struct Fnv {
    uint64_t value = 0xcbf29ce484222325ULL;
    void add(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            value = (value ^ static_cast<unsigned char>(data[i])) * 0x100000001b3ULL;
        }
    }
};

// Eight stretches spread over the file and its size: reading 32 KiB is
// enough to tell two recordings of the same length apart.
void addSoundSamples(Fnv& hash, const std::string& wavPath) {
    const int fd = ::open(wavPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    hash.add(reinterpret_cast<const char*>(&size), sizeof size);
    char buffer[4096];
    for (int i = 0; i < 8 && size > 0; ++i) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, size / 8 * i);
        if (n > 0) {
            hash.add(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
}

std::string sourceText(const ExportSource& source) {
    std::string text;
    if (!source.title.empty()) {
        text = source.title + " · ";
    }
    text += source.name;
    if (source.recordedAt > 0) {
        const auto when = static_cast<std::time_t>(source.recordedAt);
        std::tm local{};
        char date[32] = {};
        if (::localtime_r(&when, &local) != nullptr &&
            std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local) > 0) {
            text += " · ";
            text += date;
        }
    }
    return text;
}

}  // namespace

std::string escapeHtml(const std::string& text) {
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
            case '"':
                out += "&quot;";
                break;
            // Tabs and line ends would split the note; the script holds none, a title might.
            case '\t':
                out += ' ';
                break;
            case '\r':
                break;
            case '\n':
                out += "<br>";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string recordingTag(const ExportSource& source) {
    Fnv hash;
    for (const std::string& path : {backupPathOf(source.scriptPath), source.scriptPath}) {
        platform::Result<platform::FileRead> read = platform::readWholeFile(path);
        if (read && read.value().exists) {
            hash.add(read.value().contents.data(), read.value().contents.size());
            break;
        }
    }
    addSoundSamples(hash, source.wavPath);
    char tag[16] = {};
    std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(hash.value ^ (hash.value >> 32)));
    return tag;
}

std::string clipFileName(const std::string& name, const std::string& tag, int rowNumber,
                         const std::string& extension) {
    std::string safe;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        const bool keep = u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.';
        safe += keep ? c : '_';
    }
    char number[16] = {};
    std::snprintf(number, sizeof number, "%04d", rowNumber);
    return safe + "_" + tag + "_" + number + extension;
}

std::string formatAnkiNotes(const ExportSource& source, const std::vector<ExportRow>& rows,
                            const std::vector<std::string>& clipNames) {
    std::string out = "#separator:tab\n#html:true\n#columns:Text\tSound\tTime\tSource\n";
    const std::string from = escapeHtml(sourceText(source));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += escapeHtml(rows[i].text);
        out += '\t';
        if (i < clipNames.size() && !clipNames[i].empty()) {
            out += "[sound:" + clipNames[i] + "]";
        }
        out += '\t';
        out += formatCentiseconds(rows[i].startCs);
        out += '\t';
        out += from;
        out += '\n';
    }
    return out;
}

}  // namespace study
