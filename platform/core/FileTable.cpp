#include "platform/core/FileTable.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace platform {

struct FileTable::Slot {
    std::FILE* file = nullptr;
    std::string path;
};

namespace {

Error notOpen(int fno) {
    return Error{"File number " + std::to_string(fno) + " is not open"};
}

}  // namespace

FileTable& FileTable::instance() {
    static FileTable table;
    return table;
}

// Slot 0 exists but is never used, so numbers index the array directly.
FileTable::FileTable() : slots_(std::make_unique<Slot[]>(kMaxFiles + 1)) {}

FileTable::~FileTable() {
    for (int fno = 1; fno <= kMaxFiles; ++fno) {
        if (slots_[fno].file != nullptr) {
            std::fclose(slots_[fno].file);
        }
    }
}

FileTable::Slot* FileTable::slotFor(int fno) const {
    if (fno < 1 || fno > kMaxFiles) {
        return nullptr;
    }
    return &slots_[fno];
}

int FileTable::freeFile() const {
    for (int fno = 1; fno <= kMaxFiles; ++fno) {
        if (slots_[fno].file == nullptr) {
            return fno;
        }
    }
    return 0;
}

Status FileTable::openForOutput(int fno, const std::string& path) {
    Slot* slot = slotFor(fno);
    if (slot == nullptr) {
        return Error{"Cannot open '" + path + "': file number " + std::to_string(fno) +
                     " is outside 1 to 255"};
    }
    if (slot->file != nullptr) {
        return Error{"Cannot open '" + path + "': file number " + std::to_string(fno) +
                     " is already open for '" + slot->path + "'"};
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return Error{describeErrno("Cannot open", path, errno)};
    }
    slot->file = file;
    slot->path = path;
    return Status::ok();
}

Status FileTable::write(int fno, std::string_view bytes) {
    Slot* slot = slotFor(fno);
    if (slot == nullptr || slot->file == nullptr) {
        return notOpen(fno);
    }
    if (bytes.empty()) {
        return Status::ok();
    }
    errno = 0;
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), slot->file);
    if (written != bytes.size()) {
        const int err = errno != 0 ? errno : EIO;
        std::clearerr(slot->file);
        return Error{describeErrno("Cannot write to", slot->path, err)};
    }
    return Status::ok();
}

Status FileTable::flush(int fno) {
    Slot* slot = slotFor(fno);
    if (slot == nullptr || slot->file == nullptr) {
        return notOpen(fno);
    }
    if (std::fflush(slot->file) != 0) {
        const int err = errno;
        std::clearerr(slot->file);
        return Error{describeErrno("Cannot write to", slot->path, err)};
    }
    return Status::ok();
}

Status FileTable::close(int fno) {
    Slot* slot = slotFor(fno);
    if (slot == nullptr || slot->file == nullptr) {
        return notOpen(fno);
    }
    // fclose flushes what is still buffered and reports when that fails.
    const int rc = std::fclose(slot->file);
    const int err = errno;
    const std::string path = std::move(slot->path);
    slot->file = nullptr;
    slot->path.clear();
    if (rc != 0) {
        return Error{describeErrno("Cannot close", path, err)};
    }
    return Status::ok();
}

bool FileTable::isOpen(int fno) const {
    const Slot* slot = slotFor(fno);
    return slot != nullptr && slot->file != nullptr;
}

bool FileTable::isUnlinked(int fno) const {
    const Slot* slot = slotFor(fno);
    struct stat st {};
    return slot != nullptr && slot->file != nullptr && ::fstat(::fileno(slot->file), &st) == 0 &&
           st.st_nlink == 0;
}

std::string FileTable::pathOf(int fno) const {
    const Slot* slot = slotFor(fno);
    return slot != nullptr ? slot->path : std::string();
}

}  // namespace platform
