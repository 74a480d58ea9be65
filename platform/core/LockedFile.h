#pragma once
// A file that one running program holds: locked (flock) for as long as this
// object lives, so another program can tell a file in use from one left
// behind by a program that ended. The lock goes with the process, however it
// ends. Writes go straight to the system, unbuffered.
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace platform {

class LockedFile {
  public:
    // Creates a new file folder/prefix + six free characters + suffix and
    // locks it.
    static Result<LockedFile> createUnique(const std::string& folder, const std::string& prefix,
                                           const std::string& suffix);
    // Opens an existing file for reading and writing and locks it; fails
    // with busy() set when another program holds it.
    static Result<LockedFile> openIfFree(const std::string& path);

    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    ~LockedFile();

    const std::string& path() const { return path_; }
    Status append(std::string_view bytes);
    Result<std::string> readAll() const;
    // Whether the file lost its name (its folder was deleted).
    bool unlinked() const;
    // Deletes the file; the lock stays until this object goes.
    Status remove();

    // Whether openIfFree's failure was another program holding the file.
    static bool busy(const std::string& failure);

  private:
    LockedFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
