#pragma once
// A folder this process cannot write into, even when the tests run as root:
// the folder is made read-only and, for as long as this object lives, the
// thread gives up the capabilities that let root ignore that. Threads
// started meanwhile inherit the same limits.
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

namespace testsupport {

class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::string path) : path_(std::move(path)) {
        ::chmod(path_.c_str(), 0555);
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            lowered[cap / 32].effective &= ~(1U << (cap % 32));
        }
        dropped_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~ReadOnlyFolder() {
        if (dropped_) {
            ::syscall(SYS_capset, &header_, saved_);
        }
        ::chmod(path_.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  private:
    std::string path_;
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

}  // namespace testsupport
