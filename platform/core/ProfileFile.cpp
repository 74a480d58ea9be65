#include "platform/core/ProfileFile.h"

#include "platform/core/ProfileText.h"
#include "platform/core/WholeFile.h"

namespace platform {

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& def, const std::string& path) {
    const Result<FileRead> file = readWholeFile(path);
    if (!file || !file.value().exists) {
        return def;
    }
    std::optional<std::string> value = findProfileValue(file.value().contents, section, key);
    return value ? std::move(*value) : def;
}

Status WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& path) {
    const Result<FileRead> file = readWholeFile(path);
    if (!file) {
        // Rewriting a file we could not read would lose what it holds.
        return Error{file.message()};
    }
    Result<std::string> text = setProfileValue(file.value().contents, section, key, value);
    if (!text) {
        return Error{text.message() + " in '" + path + "'"};
    }
    return replaceWholeFile(path, text.value());
}

}  // namespace platform
