#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/win/Win.h"
#include "platform/win/WinHost.h"

namespace platform::win {
namespace {

struct Window {
    intptr_t proc = 0;      // the current procedure, the head of the chain
    intptr_t baseProc = 0;  // what the window was registered with
    std::map<std::string, intptr_t> props;
    WindowHooks hooks;
    bool destroying = false;
};

// Windows live on the user-interface thread only, like their namesakes'
// message queues; nothing here is locked.
struct Registry {
    // Handles are never reused, so a stale handle names no window rather
    // than someone else's.
    HWND next = 0x100;
    std::map<HWND, std::shared_ptr<Window>> windows;

    std::shared_ptr<Window> find(HWND h) const {
        auto it = windows.find(h);
        return it == windows.end() ? nullptr : it->second;
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

HWND RegisterWindowWithHooks(WNDPROC baseProc, WindowHooks hooks) {
    auto w = std::make_shared<Window>();
    w->proc = reinterpret_cast<intptr_t>(baseProc);
    w->baseProc = w->proc;
    w->hooks = std::move(hooks);
    Registry& r = registry();
    const HWND h = r.next;
    r.next += 2;
    r.windows.emplace(h, std::move(w));
    return h;
}

HWND RegisterWindow(WNDPROC baseProc) {
    return RegisterWindowWithHooks(baseProc, {});
}

void DestroyWindow(HWND h) {
    std::shared_ptr<Window> w = registry().find(h);
    // A procedure that destroys its own window while handling WM_DESTROY
    // must not start a second round.
    if (!w || w->destroying) {
        return;
    }
    w->destroying = true;
    SendMessageA(h, WM_DESTROY, 0, 0);
    registry().windows.erase(h);
    if (w->hooks.forgotten) {
        w->hooks.forgotten();
    }
}

bool IsWindow(HWND h) {
    return registry().find(h) != nullptr;
}

LRESULT SendMessageA(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Window> w = registry().find(h);
    if (!w) {
        return 0;
    }
    return CallWindowProcA(w->proc, h, msg, wParam, lParam);
}

intptr_t GetPropA(HWND h, const char* name) {
    std::shared_ptr<Window> w = registry().find(h);
    if (!w || name == nullptr) {
        return 0;
    }
    auto it = w->props.find(name);
    return it == w->props.end() ? 0 : it->second;
}

bool SetPropA(HWND h, const char* name, intptr_t value) {
    std::shared_ptr<Window> w = registry().find(h);
    if (!w || name == nullptr) {
        return false;
    }
    w->props[name] = value;
    return true;
}

intptr_t RemovePropA(HWND h, const char* name) {
    std::shared_ptr<Window> w = registry().find(h);
    if (!w || name == nullptr) {
        return 0;
    }
    auto it = w->props.find(name);
    if (it == w->props.end()) {
        return 0;
    }
    const intptr_t value = it->second;
    w->props.erase(it);
    return value;
}

intptr_t SetWindowLongA(HWND h, int index, intptr_t value) {
    std::shared_ptr<Window> w = registry().find(h);
    // A window without a procedure could not answer any message.
    if (!w || index != GWL_WNDPROC || value == 0) {
        return 0;
    }
    return std::exchange(w->proc, value);
}

LRESULT CallWindowProcA(intptr_t proc, HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (proc == 0) {
        return 0;
    }
    return reinterpret_cast<WNDPROC>(proc)(h, msg, wParam, lParam);
}

bool SetWindowPos(HWND h, HWND /*insertAfter*/, int x, int y, int cx, int cy, uint32_t /*flags*/) {
    std::shared_ptr<Window> w = registry().find(h);
    if (!w) {
        return false;
    }
    // The mover is copied: it may replace itself while it runs.
    auto move = w->hooks.move;
    if (move) {
        move(x, y, cx, cy);
    }
    return true;
}

bool SetWindowMover(HWND h, std::function<void(int x, int y, int cx, int cy)> move) {
    std::shared_ptr<Window> w = registry().find(h);
    if (!w) {
        return false;
    }
    w->hooks.move = std::move(move);
    return true;
}

intptr_t BaseWindowProc(HWND h) {
    std::shared_ptr<Window> w = registry().find(h);
    return w ? w->baseProc : 0;
}

}  // namespace platform::win
