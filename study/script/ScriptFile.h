#pragma once
// A script on disk: read whole, saved atomically, with a backup of the
// recorded script.
//
// The backup is the script's path with ".bak" added ("news.txt" ->
// "news.txt.bak"). It is made the first time a script is saved with changes
// and never written again afterwards, so it keeps the rows as they were
// recorded; its name does not end in ".txt", so it is never taken for a
// recording of its own.
#include <string>
#include <string_view>

#include "platform/core/Result.h"
#include "study/script/ScriptText.h"

namespace study {

struct ScriptFile {
    std::string path;
    std::string bytes;  // the file as read, for saving and for noticing changes on disk
    ScriptText text;
};

// Fails with a message naming the file: "There is no script 'x.txt'." or
// the system's reason. Malformed lines are not a failure (see text.problems).
platform::Result<ScriptFile> readScriptFile(const std::string& path);

std::string backupPathOf(const std::string& scriptPath);

// Replaces the script at path with newBytes. expectedOnDisk is what the
// caller read (or last saved) there: when the file now holds anything else
// (a new recording of the same name, another program's edit), nothing is
// written and the message says so. Before the first change the file's
// current bytes are kept in the backup (unless one exists). The new file is
// written beside the old one, synced and renamed over it: when anything
// fails the old script is still there, whole, and the message names the
// file and the system's reason.
platform::Status saveScriptFile(const std::string& path, std::string_view expectedOnDisk,
                                std::string_view newBytes);

}  // namespace study
