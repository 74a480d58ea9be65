#include "recording/RecordingJournal.h"

#include "recording/JournalText.h"

namespace recording {

namespace {

// A hidden name that still says whose recording it is; a slash cannot be
// part of it, and a very long name is cut to leave room for the rest.
std::string hiddenStem(const std::string& name) {
    constexpr std::size_t kLongest = 120;
    std::string stem = "." + name.substr(0, kLongest);
    // Cut on a character boundary: a UTF-8 continuation byte starts 10.
    while (stem.size() > 1 && name.size() > kLongest &&
           (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80) {
        stem.pop_back();
    }
    if (stem.size() > 1 && name.size() > kLongest &&
        (static_cast<unsigned char>(stem.back()) & 0xC0) == 0xC0) {
        stem.pop_back();
    }
    for (char& c : stem) {
        if (c == '/') {
            c = '_';
        }
    }
    return stem + ".";
}

}  // namespace

std::string soundPathForJournal(const std::string& journalPath) {
    if (!journalPath.ends_with(kJournalSuffix)) {
        return journalPath + std::string(kSoundSuffix);
    }
    return journalPath.substr(0, journalPath.size() - kJournalSuffix.size()) +
           std::string(kSoundSuffix);
}

platform::Result<std::unique_ptr<RecordingJournal>> RecordingJournal::create(
    const std::string& folder, const std::string& name) {
    platform::Result<platform::LockedFile> file =
        platform::LockedFile::createUnique(folder, hiddenStem(name), std::string(kJournalSuffix));
    if (!file) {
        return platform::Error{file.message()};
    }
    std::unique_ptr<RecordingJournal> journal(new RecordingJournal(std::move(file.value())));
    journal->append(journalStartText());
    return journal;
}

std::unique_ptr<RecordingJournal> RecordingJournal::inMemory() {
    return std::unique_ptr<RecordingJournal>(new RecordingJournal(std::nullopt));
}

void RecordingJournal::setDestinations(const std::string& wavPath, const std::string& scriptPath) {
    append(journalWavText(wavPath) + journalScriptText(scriptPath));
}

void RecordingJournal::setScriptPath(const std::string& scriptPath) {
    append(journalScriptText(scriptPath));
}

void RecordingJournal::rowCommitted(std::string_view row) {
    rows_.emplace_back(row);
    append(journalRowText(row));
}

void RecordingJournal::checked(int32_t line) {
    checks_.insert(line);
    append(journalCheckText(line));
}

void RecordingJournal::append(const std::string& text) {
    // After a failed write the journal would read as complete up to a torn
    // line at best: nothing more is added.
    if (!file_ || !writeStatus_) {
        return;
    }
    writeStatus_ = file_->append(text);
}

}  // namespace recording
