#pragma once
// The files of one export, written under temporary names beside their final
// ones and put in place together at the end, so that a failed or cancelled
// export leaves no half-written file under a final name.
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace study {

class StagedFiles {
  public:
    StagedFiles() = default;
    ~StagedFiles();  // removes whatever was not committed
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Reserves a new empty file ".NAME.part-PID-N" in finalPath's folder and
    // returns its path, to be written by the caller.
    platform::Result<std::string> stage(const std::string& finalPath);

    // Makes a folder (one level) that is removed again unless committed.
    platform::Status makeFolder(const std::string& path);

    // Syncs what was written, then renames every staged file to its final
    // name, in the order staged. On the first failure the rest are removed;
    // written lists the final paths in place either way.
    platform::Status commit(std::vector<std::string>& written);

    // Removes every staged file and every folder made (if empty).
    void discard();

  private:
    struct Entry {
        std::string temp;
        std::string final;
    };
    std::vector<Entry> files_;
    std::vector<std::string> folders_;
};

// The folder part of a path: "." for a bare name.
std::string folderOf(const std::string& path);

}  // namespace study
