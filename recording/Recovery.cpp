#include "recording/Recovery.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "platform/core/LockedFile.h"
#include "platform/core/UserFolders.h"
#include "platform/core/WholeFile.h"
#include "platform/sound/TempWavFile.h"
#include "platform/sound/WavRepair.h"
#include "recording/JournalText.h"
#include "recording/RecordingJournal.h"

namespace recording {

namespace {

namespace fs = std::filesystem;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The recording's name from its journal's: ".NAME.XXXXXX.recording.journal".
std::string nameFromJournal(const std::string& journalPath) {
    std::string name = nameOf(journalPath);
    const std::size_t cut = kJournalSuffix.size() + 7;  // ".XXXXXX" and the suffix
    if (name.size() > cut + 1 && name[0] == '.') {
        return name.substr(1, name.size() - cut - 1);
    }
    return "recording";
}

// Where a file named like `wanted` goes: its own folder when that can be
// written, else the folder the recording was made in; a free name there.
// note says why it is not `wanted`.
std::string destinationFor(const std::string& wanted, const std::string& madeIn,
                           std::string& note) {
    const std::string wantedFolder = folderOf(wanted);
    const bool writable = platform::folderWritable(wantedFolder);
    const std::string dest =
        platform::freePath(writable ? wantedFolder : madeIn, nameOf(wanted), "recovered");
    if (!writable) {
        note = " ('" + wantedFolder +
               "' cannot be written: " + platform::whyNotWritable(wantedFolder) + ")";
    } else if (dest != wanted) {
        note = " ('" + nameOf(wanted) + "' there is a newer file, left as it is)";
    }
    return dest;
}

std::string secondsText(double seconds) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

void recoverSound(const std::string& soundPath, const std::string& wanted,
                  RecoveredRecording& out) {
    const platform::Result<platform::sound::WavLayout> repaired =
        platform::sound::repairWavFile(soundPath);
    if (!repaired) {
        out.problems.push_back("The sound in '" + soundPath +
                               "' could not be repaired: " + repaired.message() + ".");
        return;
    }
    out.seconds = repaired.value().seconds();
    std::string note;
    const std::string dest = destinationFor(wanted, folderOf(soundPath), note);
    if (platform::Status moved = platform::sound::moveFile(soundPath, dest); !moved) {
        out.problems.push_back("The sound is kept in '" + soundPath + "': " + moved.message() +
                               ".");
        return;
    }
    out.sound = dest;
    out.soundNote = note;
}

void recoverScript(const JournalContents& j, const std::string& wanted, const std::string& madeIn,
                   RecoveredRecording& out) {
    const std::string bytes = scriptText(j.rows, j.checks);
    out.rows = j.rows.size();
    out.marked = markedRows(j.rows, j.checks);
    std::string dest = wanted;
    std::string note;
    // The start left the script empty; a stop that failed half way left a
    // part of it. Anything else there is a newer file.
    const platform::Result<platform::FileRead> there = platform::readWholeFile(wanted);
    const bool ours =
        there && (!there.value().exists ||
                  bytes.compare(0, there.value().contents.size(), there.value().contents) == 0);
    if (!ours || !platform::folderWritable(folderOf(wanted))) {
        dest = destinationFor(wanted, madeIn, note);
    }
    if (platform::Status written = platform::replaceWholeFile(dest, bytes); !written) {
        out.problems.push_back("The script's " + std::to_string(out.rows) +
                               " rows could not be written: " + written.message() + ".");
        return;
    }
    out.script = dest;
    out.scriptNote = note;
}

}  // namespace

RecoveredRecording recoverJournal(const std::string& journalPath) {
    RecoveredRecording out;
    platform::Result<platform::LockedFile> file = platform::LockedFile::openIfFree(journalPath);
    if (!file) {
        if (!platform::LockedFile::busy(file.message())) {
            out.problems.push_back(file.message() + ".");
        }
        return out;
    }
    const platform::Result<std::string> text = file.value().readAll();
    if (!text) {
        out.problems.push_back(text.message() + ".");
        return out;
    }
    // A journal cut before its first line still has its sound beside it.
    const platform::Result<JournalContents> parsed = parseJournal(text.value());
    const JournalContents j = parsed ? parsed.value() : JournalContents{};
    const std::string madeIn = folderOf(journalPath);
    const std::string name = nameFromJournal(journalPath);
    const std::string wantedWav = j.wavPath.empty() ? madeIn + "/" + name + ".wav" : j.wavPath;

    const std::string sound = soundPathForJournal(journalPath);
    if (exists(sound)) {
        recoverSound(sound, wantedWav, out);
    }
    if (!j.scriptPath.empty()) {
        recoverScript(j, j.scriptPath, madeIn, out);
    }
    if (out.problems.empty()) {
        if (platform::Status removed = file.value().remove(); !removed) {
            out.problems.push_back(removed.message() + ".");
        }
    }
    return out;
}

std::vector<RecoveredRecording> recoverInterrupted(const std::vector<std::string>& folders) {
    std::vector<RecoveredRecording> all;
    std::set<fs::path> seen;
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (folder.empty() || !seen.insert(fs::weakly_canonical(folder, ec)).second) {
            continue;
        }
        std::vector<std::string> journals;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.size() > 1 && name[0] == '.' && name.ends_with(kJournalSuffix)) {
                journals.push_back(it->path().string());
            }
        }
        std::sort(journals.begin(), journals.end());
        for (const std::string& journal : journals) {
            RecoveredRecording r = recoverJournal(journal);
            if (!r.sound.empty() || !r.script.empty() || !r.problems.empty()) {
                all.push_back(std::move(r));
            }
        }
    }
    return all;
}

std::string recoveryMessage(const std::vector<RecoveredRecording>& recovered) {
    if (recovered.empty()) {
        return {};
    }
    std::string text = recovered.size() == 1
                           ? "A recording was cut off when Cuelark last ended. What it had "
                             "recorded is saved:"
                           : std::to_string(recovered.size()) +
                                 " recordings were cut off when Cuelark last ended. What they "
                                 "had recorded is saved:";
    for (const RecoveredRecording& r : recovered) {
        text += "\r\n";
        if (!r.sound.empty()) {
            text +=
                "\r\nSound: " + r.sound + " (" + secondsText(r.seconds) + " seconds)" + r.soundNote;
        }
        if (!r.script.empty()) {
            text += "\r\nScript: " + r.script + " (" + std::to_string(r.rows) +
                    (r.rows == 1 ? " row" : " rows") + ", " + std::to_string(r.marked) +
                    " marked)" + r.scriptNote;
        }
        for (const std::string& problem : r.problems) {
            text += "\r\n" + problem;
        }
    }
    return text;
}

}  // namespace recording
