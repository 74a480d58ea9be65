#pragma once
// Reading a small file whole, and replacing it whole without ever leaving a
// half-written file behind.
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace platform {

struct FileRead {
    bool exists = false;  // false: the file is missing, contents is empty
    std::string contents;
};

// A missing file is not an error; any other failure to read is.
Result<FileRead> readWholeFile(const std::string& path);

// Writes bytes to a new file beside path, syncs it to disk and renames it
// over path, so that readers see either the old or the new contents. An
// existing file keeps its permissions; a symbolic link keeps pointing at
// the file it names, which is the one replaced. On failure path is
// untouched and the temporary file removed.
Status replaceWholeFile(const std::string& path, std::string_view bytes);

}  // namespace platform
