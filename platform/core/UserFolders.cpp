#include "platform/core/UserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace platform {

std::string userDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::string(data) + "/cuelark";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/share/cuelark";
    }
    return {};
}

bool folderWritable(const std::string& folder) {
    return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string whyNotWritable(const std::string& folder) {
    if (folder.empty()) {
        return "no folder is set";
    }
    if (::access(folder.c_str(), W_OK | X_OK) == 0) {
        return {};
    }
    return std::strerror(errno);
}

std::string freePath(const std::string& folder, const std::string& name, const std::string& mark) {
    auto taken = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    };
    std::string candidate = folder + "/" + name;
    if (!taken(candidate)) {
        return candidate;
    }
    const std::size_t dot = name.rfind('.');
    const bool hasExt = dot != std::string::npos && dot != 0;
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : std::string();
    for (int n = mark.empty() ? 2 : 1;; ++n) {
        std::string tag = mark;
        if (n > 1) {
            tag += (tag.empty() ? "" : " ") + std::to_string(n);
        }
        candidate = folder + "/" + stem + " (" + tag + ")" + ext;
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

Status makeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        return Error{"Cannot create '" + folder + "': " + ec.message()};
    }
    return Status::ok();
}

}  // namespace platform
