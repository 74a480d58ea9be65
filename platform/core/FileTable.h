#pragma once
// Open text files named by small numbers, as the recording controller and the
// script builder pass them around: 0 is no file, 1 to 255 are open slots.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace platform {

class FileTable {
  public:
    static constexpr int kMaxFiles = 255;

    static FileTable& instance();

    // The lowest number of 1 to 255 not in use, or 0 when all are taken.
    int freeFile() const;
    // Creates or truncates the file and opens it for output under fno.
    Status openForOutput(int fno, const std::string& path);
    // Appends bytes unchanged. Fails for a number that is not open.
    Status write(int fno, std::string_view bytes);
    // Hands what is buffered to the system, so that a full disk shows up now
    // rather than at close.
    Status flush(int fno);
    // Flushes and closes; the number is free again afterwards. Reports a
    // failed flush (a full disk shows up here).
    Status close(int fno);
    bool isOpen(int fno) const;
    // Whether the open file lost its name meanwhile (its folder was deleted):
    // what is written to it then reaches no file anyone can open.
    bool isUnlinked(int fno) const;
    std::string pathOf(int fno) const;

    FileTable(const FileTable&) = delete;
    FileTable& operator=(const FileTable&) = delete;
    FileTable();
    ~FileTable();

  private:
    struct Slot;
    Slot* slotFor(int fno) const;

    std::unique_ptr<Slot[]> slots_;
};

}  // namespace platform
