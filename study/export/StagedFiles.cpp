#include "study/export/StagedFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <set>

namespace study {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

StagedFiles::~StagedFiles() {
    discard();
}

platform::Result<std::string> StagedFiles::stage(const std::string& finalPath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(finalPath);
    const std::size_t slash = finalPath.rfind('/');
    const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = folder + "/." + base + ".part-" + std::to_string(::getpid()) +
                                 "-" + std::to_string(counter++);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            files_.push_back({temp, finalPath});
            return temp;
        }
        if (errno != EEXIST) {
            return platform::Error{
                platform::describeErrno("Cannot write into the folder", folder, errno)};
        }
    }
    return platform::Error{platform::describeErrno("Cannot write into the folder", folder, EEXIST)};
}

platform::Status StagedFiles::makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) {
        folders_.push_back(path);
        return platform::Status::ok();
    }
    struct stat st {};
    if (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return platform::Status::ok();
    }
    return platform::Error{platform::describeErrno("Cannot make the folder", path, errno)};
}

platform::Status StagedFiles::commit(std::vector<std::string>& written) {
    // One sync per file system, instead of one per clip, before anything is
    // renamed: a final name never points at data still in flight.
    std::set<std::string> folders;
    for (const Entry& e : files_) {
        folders.insert(folderOf(e.final));
    }
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::syncfs(fd);
            ::close(fd);
        }
    }
    std::size_t done = 0;
    platform::Status status;
    for (; done < files_.size(); ++done) {
        if (::rename(files_[done].temp.c_str(), files_[done].final.c_str()) != 0) {
            status = platform::Error{
                platform::describeErrno("Cannot put in place", files_[done].final, errno)};
            break;
        }
        written.push_back(files_[done].final);
    }
    files_.erase(files_.begin(), files_.begin() + static_cast<std::ptrdiff_t>(done));
    if (status.isOk()) {
        folders_.clear();  // they hold files now
    }
    // On failure the staged files left go, and the folders made unless they hold a file.
    discard();
    return status;
}

void StagedFiles::discard() {
    for (const Entry& e : files_) {
        ::unlink(e.temp.c_str());
    }
    files_.clear();
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
        ::rmdir(it->c_str());  // only when empty
    }
    folders_.clear();
}

}  // namespace study
