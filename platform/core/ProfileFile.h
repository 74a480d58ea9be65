#pragma once
// The profile (INI) file functions the program's settings go through, with
// the behaviour of their Windows namesakes: case-blind names, the default for
// anything missing, in-place replacement on write, the file created on the
// first write. The rules for hand-edited files are in ProfileText.h.
#include <string>

#include "platform/core/Result.h"

namespace platform {

// The whole stored value, or def when the file, the section or the key is
// missing or the file cannot be read. A key present with an empty value
// gives an empty string. Values are bytes, passed through unchanged.
std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& def, const std::string& path);

// Stores the value under key in section, creating the file and the section
// as needed. The file is replaced whole and atomically: on failure the old
// file stays as it was.
Status WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& path);

}  // namespace platform
