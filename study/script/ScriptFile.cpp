#include "study/script/ScriptFile.h"

#include "platform/core/WholeFile.h"

namespace study {

platform::Result<ScriptFile> readScriptFile(const std::string& path) {
    platform::Result<platform::FileRead> read = platform::readWholeFile(path);
    if (!read) {
        return platform::Error{read.message()};
    }
    if (!read.value().exists) {
        return platform::Error{"There is no script '" + path + "'."};
    }
    ScriptFile file;
    file.path = path;
    file.bytes = std::move(read.value().contents);
    file.text = parseScript(file.bytes);
    return file;
}

std::string backupPathOf(const std::string& scriptPath) {
    return scriptPath + ".bak";
}

platform::Status saveScriptFile(const std::string& path, std::string_view expectedOnDisk,
                                std::string_view newBytes) {
    platform::Result<platform::FileRead> now = platform::readWholeFile(path);
    if (!now) {
        return platform::Error{now.message() + "; the script was not saved."};
    }
    // A file that is gone can be written anew without losing anything; one
    // that holds other bytes than were read is someone else's work.
    if (now.value().exists && now.value().contents != expectedOnDisk) {
        return platform::Error{"The script '" + path +
                               "' was changed on disk since it was opened (a new recording of "
                               "the same name?); it was not saved. Open it again to edit it."};
    }
    if (now.value().exists && now.value().contents == newBytes) {
        return platform::Status::ok();
    }
    if (now.value().exists) {
        const std::string backup = backupPathOf(path);
        platform::Result<platform::FileRead> old = platform::readWholeFile(backup);
        if (!old) {
            return platform::Error{old.message() + "; the script was not saved."};
        }
        if (!old.value().exists) {
            if (platform::Status kept = platform::replaceWholeFile(backup, now.value().contents);
                !kept) {
                return platform::Error{"Cannot keep a backup of the recorded script: " +
                                       kept.message() + " The script was not saved."};
            }
        }
    }
    if (platform::Status saved = platform::replaceWholeFile(path, newBytes); !saved) {
        return platform::Error{saved.message() + "; the script was not saved and is as it was."};
    }
    return platform::Status::ok();
}

}  // namespace study
