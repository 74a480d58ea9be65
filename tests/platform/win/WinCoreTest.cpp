#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/Win.h"
#include "platform/win/WinHost.h"

using namespace platform::win;

namespace {

// Procedures are plain functions, so what they see goes into one shared log.
std::vector<std::string> g_log;
intptr_t g_previous = 0;

void note(const char* who, UINT msg) {
    g_log.push_back(std::string(who) + ":" + std::to_string(msg));
}

LRESULT baseProc(HWND, UINT msg, WPARAM, LPARAM) {
    note("base", msg);
    return 7;
}

LRESULT hookProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    note("hook", msg);
    return CallWindowProcA(GetPropA(h, "OldWndProc"), h, msg, w, l) + 100;
}

// Unhooks itself on WM_DESTROY after the previous procedure saw it.
LRESULT selfRemovingHook(HWND h, UINT msg, WPARAM w, LPARAM l) {
    note("hook", msg);
    const intptr_t old = GetPropA(h, "OldWndProc");
    if (msg == WM_DESTROY) {
        CallWindowProcA(old, h, msg, w, l);
        const bool restored = SetWindowLongA(h, GWL_WNDPROC, old) != 0;
        const bool removed = RemovePropA(h, "OldWndProc") == old;
        g_log.push_back(restored && removed ? "unhooked" : "unhook failed");
        return 0;
    }
    return CallWindowProcA(old, h, msg, w, l);
}

LRESULT destroysAgain(HWND h, UINT msg, WPARAM, LPARAM) {
    note("base", msg);
    if (msg == WM_DESTROY) {
        DestroyWindow(h);
    }
    return 0;
}

LRESULT readsValue(HWND, UINT, WPARAM w, LPARAM l) {
    return l == 0 ? 0 : w + *reinterpret_cast<const int32_t*>(l);
}

class WinCore : public ::testing::Test {
  protected:
    void SetUp() override {
        g_log.clear();
        g_previous = 0;
    }
};

TEST_F(WinCore, HookRunsBeforeThePreviousProcedureAndSeesItsResult) {
    const HWND h = RegisterWindow(&baseProc);
    const intptr_t previous = SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(&hookProc));
    EXPECT_EQ(previous, reinterpret_cast<intptr_t>(&baseProc));
    ASSERT_TRUE(SetPropA(h, "OldWndProc", previous));

    EXPECT_EQ(SendMessageA(h, 1067, 0, 0), 107);
    EXPECT_EQ(g_log, (std::vector<std::string>{"hook:1067", "base:1067"}));

    // Putting the old procedure back returns the hook, and the hook is out of the way.
    EXPECT_EQ(SetWindowLongA(h, GWL_WNDPROC, previous), reinterpret_cast<intptr_t>(&hookProc));
    g_log.clear();
    EXPECT_EQ(SendMessageA(h, WM_MOVE, 0, 0), 7);
    EXPECT_EQ(g_log, (std::vector<std::string>{"base:3"}));
    DestroyWindow(h);
}

TEST_F(WinCore, MessagesCarryTheirArgumentsToTheProcedure) {
    const HWND h = RegisterWindow(&readsValue);
    int32_t value = 123;
    EXPECT_EQ(SendMessageA(h, 1040, 1000, reinterpret_cast<LPARAM>(&value)), 1123);
    DestroyWindow(h);
}

TEST_F(WinCore, PropertiesBelongToTheirWindow) {
    const HWND a = RegisterWindow(&baseProc);
    const HWND b = RegisterWindow(&baseProc);
    EXPECT_EQ(GetPropA(a, "OldWndProc"), 0);
    EXPECT_TRUE(SetPropA(a, "OldWndProc", 42));
    EXPECT_EQ(GetPropA(a, "OldWndProc"), 42);
    EXPECT_EQ(GetPropA(b, "OldWndProc"), 0);
    EXPECT_TRUE(SetPropA(a, "OldWndProc", 43));
    EXPECT_EQ(GetPropA(a, "OldWndProc"), 43);
    EXPECT_EQ(GetPropA(a, "oldwndproc"), 0) << "names are compared exactly";
    EXPECT_EQ(RemovePropA(a, "OldWndProc"), 43);
    EXPECT_EQ(GetPropA(a, "OldWndProc"), 0);
    EXPECT_EQ(RemovePropA(a, "OldWndProc"), 0);
    EXPECT_FALSE(SetPropA(a, nullptr, 1));
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST_F(WinCore, UnknownHandlesAnswerNothing) {
    const HWND gone = RegisterWindow(&baseProc);
    SetPropA(gone, "OldWndProc", 5);
    DestroyWindow(gone);
    g_log.clear();
    for (const HWND h : {HWND{0}, gone, HWND{-1}}) {
        EXPECT_FALSE(IsWindow(h));
        EXPECT_EQ(SendMessageA(h, 1067, 1, 2), 0);
        EXPECT_EQ(GetPropA(h, "OldWndProc"), 0);
        EXPECT_FALSE(SetPropA(h, "OldWndProc", 1));
        EXPECT_EQ(RemovePropA(h, "OldWndProc"), 0);
        EXPECT_EQ(SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(&hookProc)), 0);
        EXPECT_FALSE(SetWindowPos(h, 0, 0, 35, 100, 100, SWP_NOZORDER));
        DestroyWindow(h);
    }
    EXPECT_TRUE(g_log.empty()) << "a destroyed window's procedure was called";
    EXPECT_EQ(CallWindowProcA(0, gone, 1067, 0, 0), 0);
}

TEST_F(WinCore, HandlesAreNeverZeroNorReused) {
    std::vector<HWND> seen;
    for (int i = 0; i < 50; ++i) {
        const HWND h = RegisterWindow(&baseProc);
        EXPECT_NE(h, 0);
        for (const HWND s : seen) {
            EXPECT_NE(h, s);
        }
        seen.push_back(h);
        DestroyWindow(h);
    }
}

TEST_F(WinCore, OnlyTheProcedureSlotCanBeSet) {
    const HWND h = RegisterWindow(&baseProc);
    EXPECT_EQ(SetWindowLongA(h, -21, 5), 0);
    EXPECT_EQ(SetWindowLongA(h, GWL_WNDPROC, 0), 0) << "a window without a procedure";
    EXPECT_EQ(SendMessageA(h, 1, 0, 0), 7);
    DestroyWindow(h);
}

TEST_F(WinCore, DestroyRunsTheWholeChainFirstThenForgetsTheWindow) {
    bool forgotten = false;
    bool goneWhenForgotten = false;
    WindowHooks hooks;
    HWND h = 0;
    hooks.forgotten = [&] {
        forgotten = true;
        goneWhenForgotten = !IsWindow(h);
    };
    h = RegisterWindowWithHooks(&baseProc, std::move(hooks));
    SetPropA(h, "OldWndProc",
             SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(&selfRemovingHook)));
    DestroyWindow(h);
    EXPECT_EQ(g_log, (std::vector<std::string>{"hook:2", "base:2", "unhooked"}));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_TRUE(forgotten);
    EXPECT_TRUE(goneWhenForgotten) << "the forgotten hook runs after the handle is gone";
}

TEST_F(WinCore, DestroyingAgainDuringDestroyIsHarmless) {
    const HWND h = RegisterWindow(&destroysAgain);
    DestroyWindow(h);
    EXPECT_EQ(g_log, (std::vector<std::string>{"base:2"}));
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(WinCore, SetWindowPosCallsTheMoverWithItsArguments) {
    std::vector<int> moved;
    WindowHooks hooks;
    hooks.move = [&](int x, int y, int cx, int cy) { moved = {x, y, cx, cy}; };
    const HWND h = RegisterWindowWithHooks(&baseProc, std::move(hooks));
    EXPECT_TRUE(SetWindowPos(h, 0, 0, 35, 626, -12, SWP_NOZORDER));
    EXPECT_EQ(moved, (std::vector<int>{0, 35, 626, -12}));

    const HWND plain = RegisterWindow(&baseProc);
    EXPECT_TRUE(SetWindowPos(plain, 0, 1, 2, 3, 4, SWP_NOZORDER));
    EXPECT_EQ(BaseWindowProc(plain), reinterpret_cast<intptr_t>(&baseProc));
    DestroyWindow(h);
    DestroyWindow(plain);
}

}  // namespace
