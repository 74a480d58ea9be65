#include "platform/core/ExitHook.h"

#include <cstdlib>

namespace platform {

namespace {

std::function<void()>& hook() {
    static std::function<void()> h;
    return h;
}

bool g_ran = false;

void runOnce() {
    if (g_ran) {
        return;
    }
    g_ran = true;
    if (hook()) {
        // Taken out first: the hook may end in code that arms it again.
        std::function<void()> h = std::move(hook());
        h();
    }
}

}  // namespace

void setExitHook(std::function<void()> h) {
    hook() = std::move(h);
    g_ran = false;
}

void armExitHook() {
    std::atexit(&runOnce);
}

void runExitHookNow() {
    runOnce();
}

}  // namespace platform
