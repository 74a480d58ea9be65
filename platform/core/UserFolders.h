#pragma once
// Folders of the user's that the program may keep files in.
#include <string>

#include "platform/core/Result.h"

namespace platform {

// The program's folder among the user's data: $XDG_DATA_HOME/cuelark when
// that is set to an absolute path, else ~/.local/share/cuelark. Empty when
// neither variable says where.
std::string userDataFolder();

// Whether new files can be made in folder (it exists and may be written).
bool folderWritable(const std::string& folder);
// Why not, in the system's words ("No such file or directory").
std::string whyNotWritable(const std::string& folder);

// folder/name when nothing has that name, else the first free of
// "stem (mark).ext", "stem (mark 2).ext", ... ("stem (2).ext", ... when mark
// is empty).
std::string freePath(const std::string& folder, const std::string& name,
                     const std::string& mark = {});

// Creates folder and the folders above it that are missing.
Status makeFolders(const std::string& folder);

}  // namespace platform
