#include "platform/core/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path finally names, so that replacing it leaves a link alone.
std::string followLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX] = {};
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return path;
    }
    return resolved;
}

Status writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error{describeErrno("Cannot write to", path, errno)};
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return Status::ok();
}

// A name beside target that no other writer uses at the same moment.
int createTemporary(const std::string& target, std::string& tempPath) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

Result<FileRead> readWholeFile(const std::string& path) {
    FileRead result;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return result;
        }
        return Error{describeErrno("Cannot open", path, errno)};
    }
    result.exists = true;
    char buffer[8192] = {};
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error{describeErrno("Cannot read", path, errno)};
        }
        if (n == 0) {
            break;
        }
        result.contents.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}

Status replaceWholeFile(const std::string& path, std::string_view bytes) {
    const std::string target = followLink(path);
    std::string tempPath;
    Fd fd(createTemporary(target, tempPath));
    if (fd.get() < 0) {
        return Error{describeErrno("Cannot create a file beside", target, errno)};
    }
    auto fail = [&](Status status) {
        ::close(fd.release());
        ::unlink(tempPath.c_str());
        return status;
    };
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd.get(), old.st_mode & 07777) != 0) {
        return fail(Error{describeErrno("Cannot set the permissions of", tempPath, errno)});
    }
    if (Status written = writeAll(fd.get(), bytes, tempPath); !written) {
        return fail(written);
    }
    if (::fsync(fd.get()) != 0) {
        return fail(Error{describeErrno("Cannot write to", tempPath, errno)});
    }
    if (::close(fd.release()) != 0) {
        const int err = errno;
        ::unlink(tempPath.c_str());
        return Error{describeErrno("Cannot write to", tempPath, err)};
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempPath.c_str());
        return Error{describeErrno("Cannot replace", target, err)};
    }
    // The rename itself reaches the disk only with its folder.
    Fd folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return Status::ok();
}

}  // namespace platform
