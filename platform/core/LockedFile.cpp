#include "platform/core/LockedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {
constexpr std::string_view kBusy = "in use by another running program";
}

Result<LockedFile> LockedFile::createUnique(const std::string& folder, const std::string& prefix,
                                            const std::string& suffix) {
    std::string pattern = folder + "/" + prefix + "XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC | O_APPEND);
    if (fd < 0) {
        return Error{describeErrno("Cannot create a file in", folder, errno)};
    }
    // Nobody else knows the name yet: the lock is free.
    ::flock(fd, LOCK_EX | LOCK_NB);
    return LockedFile(fd, std::string(name.data()));
}

Result<LockedFile> LockedFile::openIfFree(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return Error{describeErrno("Cannot open", path, errno)};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) {
            return Error{"'" + path + "' is " + std::string(kBusy)};
        }
        return Error{describeErrno("Cannot lock", path, err)};
    }
    return LockedFile(fd, path);
}

bool LockedFile::busy(const std::string& failure) {
    return failure.find(kBusy) != std::string::npos;
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

LockedFile::~LockedFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Status LockedFile::append(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return Error{describeErrno("Cannot write to", path_, put < 0 ? errno : EIO)};
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return Status::ok();
}

Result<std::string> LockedFile::readAll() const {
    std::string out;
    char buf[1 << 14];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd_, buf, sizeof buf, at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Error{describeErrno("Cannot read", path_, errno)};
        }
        if (got == 0) {
            return out;
        }
        out.append(buf, static_cast<std::size_t>(got));
        at += got;
    }
}

bool LockedFile::unlinked() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_nlink == 0;
}

Status LockedFile::remove() {
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
        return Error{describeErrno("Cannot delete", path_, errno)};
    }
    return Status::ok();
}

}  // namespace platform
