#include "platform/core/Result.h"

#include <cstring>

namespace platform {

std::string describeErrno(const std::string& what, const std::string& path, int err) {
    // strerror_r comes in two flavours; std::strerror is enough on the one
    // thread that calls this.
    return what + " '" + path + "': " + std::strerror(err);
}

}  // namespace platform
