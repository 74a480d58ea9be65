#pragma once
// One piece of work that must run before the process ends, however it ends
// short of a kill: when asked to (a normal end, a signal), or from inside
// exit() when a library calls it (Qt's X11 layer does when the display's
// connection breaks). It runs once, at the first of these.
//
// exit() runs atexit functions and destroys static objects in the reverse
// order they were registered or made, so the hook runs before every static
// object made before its latest armExitHook(): arm it again after setting
// up anything it must run before.
#include <functional>

namespace platform {

void setExitHook(std::function<void()> hook);
void armExitHook();
void runExitHookNow();

}  // namespace platform
