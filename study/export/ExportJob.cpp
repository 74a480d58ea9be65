#include "study/export/ExportJob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <set>

#include "study/export/AnkiNotes.h"
#include "study/export/Loudness.h"
#include "study/export/SoundAdapt.h"
#include "study/export/SoundWriter.h"
#include "study/export/StagedFiles.h"
#include "study/export/Subtitles.h"
#include "study/script/TimeText.h"
#include "study/sound/WavReader.h"

namespace study {

const char* clipExtension(ClipFormat format) {
    return format == ClipFormat::Opus ? ".opus" : ".mp3";
}

namespace {

using platform::Error;
using platform::Status;

bool needsSound(const ExportOptions& o) {
    return !o.ankiDir.empty() || !o.clipsDir.empty() || !o.condensedPath.empty();
}

std::vector<ExportRow> chosenRows(const ExportSource& source, RowChoice choice) {
    std::vector<ExportRow> rows;
    for (const ExportRow& row : source.rows) {
        if (choice == RowChoice::All || row.marked) {
            rows.push_back(row);
        }
    }
    return rows;
}

std::optional<SoundFileFormat> condensedFormat(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return std::nullopt;
    }
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".mp3") {
        return SoundFileFormat::Mp3;
    }
    if (ext == ".opus" || ext == ".ogg") {
        return SoundFileFormat::Opus;
    }
    if (ext == ".wav") {
        return SoundFileFormat::Wav16;
    }
    return std::nullopt;
}

std::string subtitlePath(const ExportSource& source, const ExportOptions& o, const char* ext) {
    const std::string folder = o.subtitleDir.empty() ? folderOf(source.scriptPath) : o.subtitleDir;
    return (folder == "." ? "" : folder + "/") + source.name + ext;
}

std::string ankiNotesPath(const ExportSource& source, const ExportOptions& o) {
    return o.ankiDir + "/" + source.name + ".tsv";
}

std::string mediaFolder(const ExportOptions& o) {
    return o.ankiDir + "/media";
}

// A folder exists, is one, and takes a new file (tried, then removed).
Status checkFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return Error{"The folder '" + folder + "' does not exist."};
        }
        return Error{platform::describeErrno("Cannot use the folder", folder, errno)};
    }
    if (!S_ISDIR(st.st_mode)) {
        return Error{"'" + folder + "' is not a folder."};
    }
    const std::string probe = folder + "/.cuelark-export-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) {
        return Error{platform::describeErrno("Cannot write into the folder", folder, errno)};
    }
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
    }
    return Status::ok();
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) {
        return a == b;
    }
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

Status writeBytes(const std::string& temp, const std::string& final, const std::string& bytes) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return Error{platform::describeErrno("Cannot write", final, errno)};
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return Error{platform::describeErrno("Cannot write", final, err)};
        }
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) {
        return Error{platform::describeErrno("Cannot write", final, errno)};
    }
    return Status::ok();
}

// Messages of the sound writer name the temporary file; the user knows the final one.
Status naming(Status status, const std::string& temp, const std::string& final) {
    if (status.isOk()) {
        return status;
    }
    std::string message = status.message();
    for (std::size_t at = message.find(temp); at != std::string::npos; at = message.find(temp)) {
        message.replace(at, temp.size(), final);
    }
    return Error{message};
}

Status encodeClip(StagedFiles& staged, const std::string& final, ClipFormat format,
                  const WavInfo& info, const std::vector<float>& samples) {
    platform::Result<std::string> temp = staged.stage(final);
    if (!temp) {
        return Error{temp.message()};
    }
    platform::Result<std::unique_ptr<SoundWriter>> writer = SoundWriter::create(
        temp.value(), format == ClipFormat::Opus ? SoundFileFormat::Opus : SoundFileFormat::Mp3,
        info.sampleRate, info.channels);
    if (!writer) {
        return naming(Error{writer.message()}, temp.value(), final);
    }
    const std::size_t frames = samples.size() / static_cast<std::size_t>(info.channels);
    Status s = writer.value()->write(samples.data(), frames);
    if (s) {
        s = writer.value()->finish();
    }
    return naming(s, temp.value(), final);
}

// The condensed audio, made in the format of the first recording with sound.
struct Condensed {
    std::string final;
    std::string temp;
    std::unique_ptr<SoundWriter> writer;
    WavInfo format;
    bool empty = true;
};

}  // namespace

ExportJob::ExportJob(std::vector<ExportSource> sources, ExportOptions options)
    : sources_(std::move(sources)), options_(std::move(options)) {}

Status ExportJob::check() const {
    const ExportOptions& o = options_;
    if (o.ankiDir.empty() && o.clipsDir.empty() && o.condensedPath.empty() && !o.srt && !o.vtt) {
        return Error{"Choose something to export: cards, clips, condensed audio or subtitles."};
    }
    if (sources_.empty()) {
        return Error{"Choose a recording to export."};
    }
    if (o.padding.beforeMs < 0 || o.padding.afterMs < 0 || o.condensedGapMs < 0) {
        return Error{"Padding and gaps cannot be negative."};
    }
    std::size_t rows = 0;
    for (const ExportSource& source : sources_) {
        rows += chosenRows(source, o.rows).size();
    }
    if (rows == 0) {
        return Error{o.rows == RowChoice::Marked
                         ? "No row is marked, so there is nothing to export."
                         : "There are no rows in the script, so there is nothing to export."};
    }
    std::optional<SoundFileFormat> condensed;
    if (!o.condensedPath.empty()) {
        condensed = condensedFormat(o.condensedPath);
        if (!condensed) {
            return Error{"Condensed audio is written as .mp3, .opus or .wav; '" + o.condensedPath +
                         "' is none of them."};
        }
    }
    if (needsSound(o)) {
        for (const ExportSource& source : sources_) {
            if (chosenRows(source, o.rows).empty()) {
                continue;
            }
            platform::Result<std::unique_ptr<WavReader>> sound = WavReader::open(source.wavPath);
            if (!sound) {
                return Error{sound.message() +
                             " Cards, clips and condensed audio are made from the recording's "
                             "sound; subtitles can be exported without it."};
            }
        }
    }

    std::set<std::string> folders;
    std::vector<std::string> finals;
    if (!o.ankiDir.empty()) {
        folders.insert(o.ankiDir);
        struct stat st {};
        if (::stat(mediaFolder(o).c_str(), &st) == 0) {
            folders.insert(mediaFolder(o));
        }
    }
    if (!o.clipsDir.empty()) {
        folders.insert(o.clipsDir);
    }
    if (!o.condensedPath.empty()) {
        folders.insert(folderOf(o.condensedPath));
        finals.push_back(o.condensedPath);
    }
    for (const ExportSource& source : sources_) {
        if (!o.ankiDir.empty()) {
            finals.push_back(ankiNotesPath(source, o));
        }
        for (const auto& [wanted, ext] : {std::pair{o.srt, ".srt"}, std::pair{o.vtt, ".vtt"}}) {
            if (wanted) {
                finals.push_back(subtitlePath(source, o, ext));
                folders.insert(folderOf(finals.back()));
            }
        }
    }
    for (const std::string& folder : folders) {
        if (Status s = checkFolder(folder); !s) {
            return s;
        }
    }
    std::set<std::string> seen;
    for (const std::string& final : finals) {
        if (!seen.insert(final).second) {
            return Error{"Two recordings of the same name would both be written to '" + final +
                         "'; export them into different folders."};
        }
        for (const ExportSource& source : sources_) {
            if (sameFile(final, source.scriptPath) || sameFile(final, source.wavPath)) {
                return Error{"'" + final +
                             "' is a file of the recording itself; choose another name."};
            }
        }
    }
    return Status::ok();
}

ExportReport ExportJob::run(const ProgressFn& progress) {
    ExportReport report;
    if (Status s = check(); !s) {
        report.status = s;
        return report;
    }
    const ExportOptions& o = options_;
    const bool clips = !o.ankiDir.empty() || !o.clipsDir.empty();
    const bool sound = needsSound(o);
    const LoudnessTarget loudness{o.targetLufs, o.peakLimitDbtp};

    ExportProgress step;
    for (const ExportSource& source : sources_) {
        const std::size_t rows = chosenRows(source, o.rows).size();
        const int texts = (o.ankiDir.empty() ? 0 : 1) + (o.srt ? 1 : 0) + (o.vtt ? 1 : 0);
        step.total += static_cast<int>(rows > 0 ? (sound ? rows : 0) + texts : 0);
    }
    const auto advance = [&](std::string doing) {
        ++step.done;
        step.doing = std::move(doing);
        if (progress) {
            progress(step);
        }
    };

    StagedFiles staged;
    Condensed condensed;
    const auto fail = [&](Status s) {
        staged.discard();
        report.status =
            Error{s.message() + (s.message().ends_with('.') ? "" : ".") + " Nothing was written."};
        return report;
    };
    const auto stopped = [&]() {
        staged.discard();
        report.cancelled = true;
        report.status = Error{"The export was cancelled; nothing was written."};
        return report;
    };

    if (!o.ankiDir.empty()) {
        if (Status s = staged.makeFolder(mediaFolder(o)); !s) {
            return fail(s);
        }
    }
    if (!o.condensedPath.empty()) {
        condensed.final = o.condensedPath;
        platform::Result<std::string> temp = staged.stage(o.condensedPath);
        if (!temp) {
            return fail(Error{temp.message()});
        }
        condensed.temp = temp.value();
    }

    for (const ExportSource& source : sources_) {
        const std::vector<ExportRow> rows = chosenRows(source, o.rows);
        if (rows.empty()) {
            report.notes.push_back(source.name + ": no row is marked; nothing was taken from it.");
            continue;
        }
        std::unique_ptr<WavReader> reader;
        std::string tag;
        if (sound) {
            platform::Result<std::unique_ptr<WavReader>> opened = WavReader::open(source.wavPath);
            if (!opened) {
                return fail(Error{opened.message()});
            }
            reader = std::move(opened.value());
            tag = recordingTag(source);
        }
        std::vector<std::string> clipNames(rows.size());
        std::vector<float> samples;
        for (std::size_t i = 0; sound && i < rows.size(); ++i) {
            if (cancelled_.load()) {
                return stopped();
            }
            const ExportRow& row = rows[i];
            const WavInfo& info = reader->info();
            const FrameSpan span =
                spanOf(row.startCs, row.endCs, o.padding, info.sampleRate, info.frames);
            if (!span.playable) {
                report.notes.push_back(source.name + ": row " + std::to_string(row.number) + " (" +
                                       formatCentiseconds(row.startCs) +
                                       ") lies past the end of the sound; it has no clip.");
                advance(source.name + ": row " + std::to_string(i + 1) + " of " +
                        std::to_string(rows.size()));
                continue;
            }
            if (Status s = reader->readFloat(span, samples); !s) {
                return fail(s);
            }
            const auto frames = samples.size() / static_cast<std::size_t>(info.channels);
            const auto gain = static_cast<float>(
                normalisingGain(samples.data(), frames, info.channels, info.sampleRate, loudness));
            for (float& v : samples) {
                v = std::clamp(v * gain, -1.0F, 1.0F);
            }
            if (clips) {
                clipNames[i] =
                    clipFileName(source.name, tag, row.number, clipExtension(o.clipFormat));
                for (const std::string& dir :
                     {o.ankiDir.empty() ? "" : mediaFolder(o), o.clipsDir}) {
                    if (dir.empty()) {
                        continue;
                    }
                    if (Status s = encodeClip(staged, dir + "/" + clipNames[i], o.clipFormat, info,
                                              samples);
                        !s) {
                        return fail(s);
                    }
                }
            }
            if (!o.condensedPath.empty()) {
                if (!condensed.writer) {
                    condensed.format = info;
                    platform::Result<std::unique_ptr<SoundWriter>> w =
                        SoundWriter::create(condensed.temp, *condensedFormat(o.condensedPath),
                                            info.sampleRate, info.channels);
                    if (!w) {
                        return fail(naming(Error{w.message()}, condensed.temp, condensed.final));
                    }
                    condensed.writer = std::move(w.value());
                }
                const std::vector<float> piece = adaptSound(samples, info, condensed.format);
                const std::size_t gap = condensed.empty
                                            ? 0
                                            : static_cast<std::size_t>(frameAt(
                                                  o.condensedGapMs, condensed.format.sampleRate));
                Status s = condensed.writer->writeSilence(gap);
                if (s) {
                    s = condensed.writer->write(
                        piece.data(),
                        piece.size() / static_cast<std::size_t>(condensed.format.channels));
                }
                if (!s) {
                    return fail(naming(s, condensed.temp, condensed.final));
                }
                condensed.empty = false;
            }
            advance(source.name + ": row " + std::to_string(i + 1) + " of " +
                    std::to_string(rows.size()));
        }

        struct Text {
            std::string final;
            std::string bytes;
        };
        std::vector<Text> texts;
        if (!o.ankiDir.empty()) {
            texts.push_back({ankiNotesPath(source, o), formatAnkiNotes(source, rows, clipNames)});
        }
        if (o.srt) {
            texts.push_back({subtitlePath(source, o, ".srt"), formatSrt(rows)});
        }
        if (o.vtt) {
            texts.push_back({subtitlePath(source, o, ".vtt"), formatVtt(rows)});
        }
        for (const Text& text : texts) {
            if (cancelled_.load()) {
                return stopped();
            }
            platform::Result<std::string> temp = staged.stage(text.final);
            if (!temp) {
                return fail(Error{temp.message()});
            }
            if (Status s = writeBytes(temp.value(), text.final, text.bytes); !s) {
                return fail(s);
            }
            advance(source.name + ": " + text.final.substr(text.final.rfind('/') + 1));
        }
    }

    if (condensed.writer) {
        if (Status s = condensed.writer->finish(); !s) {
            return fail(naming(s, condensed.temp, condensed.final));
        }
    } else if (!o.condensedPath.empty()) {
        return fail(
            Error{"There is no condensed audio: none of the chosen rows lies within the "
                  "recording's sound."});
    }
    if (cancelled_.load()) {
        return stopped();
    }
    report.status = staged.commit(report.written);
    return report;
}

}  // namespace study
