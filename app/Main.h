#pragma once
// Start-up: the settings, the caption decoder and the main window, then the
// event loop until the last window closes.

// The process's exit code: 1 when start-up fails, after an error message.
int Main(int argc, char** argv);
