#pragma once
// What the card shows on the picture when a channel cannot be watched, in
// the user's words.
#include <string>
#include <string_view>

namespace platform::tv::net {

inline constexpr const char* kNoSuchChannel = "No such channel";
inline constexpr const char* kAllTunersInUse = "All tuners are in use";
inline constexpr const char* kNoSignal = "No signal";
inline constexpr const char* kSignalLost = "Signal lost: retrying";

// "Tuner not reachable: HOST"
std::string notReachable(std::string_view host);

// The tuner answered a stream request with this HTTP status (not 2xx) and
// this X-HDHomeRun-Error header (empty when it sent none).
std::string streamRefused(int status, std::string_view tunerError);

}  // namespace platform::tv::net
