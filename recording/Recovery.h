#pragma once
// Finishing, at the next start, the recordings that never reached their
// stop: the program was killed, the machine lost power, or the script could
// not be written when it stopped. Their journals and sound files are left in
// the folder they were recorded in; a journal that no running program holds
// belongs to such a recording. Its sound gets a correct header and its final
// name, its script is written from the journal exactly as the stop would
// have written it, and the journal goes. A file that already has a final
// name is never replaced: the recovered one takes a free name beside it.
#include <cstddef>
#include <string>
#include <vector>

namespace recording {

struct RecoveredRecording {
    std::string sound;  // where the sound is now; empty when there was none
    double seconds = 0.0;
    std::string soundNote;  // why it is not where the stop would have put it
    std::string script;     // where the script is now; empty when none was written
    std::string scriptNote;
    std::size_t rows = 0;
    std::size_t marked = 0;
    std::vector<std::string> problems;  // what could not be done, in the user's words
};

// Every recording left in the folders (duplicates and empty names skipped).
std::vector<RecoveredRecording> recoverInterrupted(const std::vector<std::string>& folders);

// One recording by its journal's path: nothing done, nothing told, when
// another running program holds it.
RecoveredRecording recoverJournal(const std::string& journalPath);

// What one message box tells the user; empty when there is nothing to tell.
std::string recoveryMessage(const std::vector<RecoveredRecording>& recovered);

}  // namespace recording
