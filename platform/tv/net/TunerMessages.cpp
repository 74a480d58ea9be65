#include "platform/tv/net/TunerMessages.h"

namespace platform::tv::net {

std::string notReachable(std::string_view host) {
    return "Tuner not reachable: " + std::string(host);
}

std::string streamRefused(int status, std::string_view tunerError) {
    if (status == 404) {
        return kNoSuchChannel;
    }
    // The tuner's own reason, where it gives one, says more than the status.
    if (tunerError == "805") {
        return kAllTunersInUse;
    }
    if (tunerError == "804") {
        return "This tuner is in use";
    }
    if (tunerError == "811") {
        return "This channel is copy-protected";
    }
    if (status == 503) {
        return "The tuner cannot show this channel now";
    }
    return "The tuner refused the channel (HTTP " + std::to_string(status) + ")";
}

}  // namespace platform::tv::net
