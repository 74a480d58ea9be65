#pragma once
// Requests to end the program from outside: SIGTERM (a system shutting down,
// kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal went away).
// The signal handler only writes the signal's number into a pipe; the
// callback runs later on the user-interface thread, from the event loop, where
// it can save what is being recorded.
//
// Also makes a file grown past the process's size limit a failed write
// (EFBIG) rather than the end of the program, so the recorder can report it.
#include <functional>

namespace platform::shell {

// Call once, after the application object exists.
void watchEndSignals(std::function<void(int signal)> onEnd);

}  // namespace platform::shell
