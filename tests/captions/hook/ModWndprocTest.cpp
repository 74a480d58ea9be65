#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/modMain.h"
#include "captions/modWndproc.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "tuner/VideoWindow.h"

using namespace platform::win;

namespace {

constexpr UINT kCaption = WM_USER + 43;

struct Seen {
    std::string window;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int32_t value = 0;    // what lParam pointed at, for the video window
    bool hooked = false;  // whether the hook's property was there at the time
};

std::vector<Seen> g_seen;
platform::ManualClock* g_clock = nullptr;
LRESULT g_mainResult = 0;

LRESULT mainBase(HWND h, UINT m, WPARAM w, LPARAM l) {
    g_seen.push_back({"main", m, w, l, 0, GetPropA(h, kOldWndProcProp) != 0});
    // Every caption the window itself sees moves time on: a decoder that ran
    // after this point would time its boundary a second later.
    if (m == kCaption && g_clock != nullptr) {
        g_clock->advance(1.0);
    }
    return g_mainResult;
}

LRESULT videoBase(HWND, UINT m, WPARAM w, LPARAM l) {
    int32_t value = l != 0 ? *reinterpret_cast<const int32_t*>(l) : 0;
    g_seen.push_back({"video", m, w, l, value, false});
    return 0;
}

// The card's packing: each byte bit-reversed, the first one in bits 8 to 15.
int32_t reversed(int32_t b) {
    int32_t r = 0;
    for (int k = 0; k < 8; ++k) {
        if ((b >> k) & 1) {
            r |= 1 << (7 - k);
        }
    }
    return r;
}
WPARAM packPair(int32_t first, int32_t second) {
    return static_cast<WPARAM>((reversed(first) << 8) | reversed(second));
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class HookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_seen.clear();
        g_mainResult = 0;
        g_clock = &clock_;
        g_ccFactory = std::make_unique<cldCCFactory>(clock_, files_);
        g_ccFactory->init(0);
        dir_ =
            std::filesystem::temp_directory_path() /
            ("cuelark-hook-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        main_ = RegisterWindow(&mainBase);
        video_ = RegisterWindow(&videoBase);
        g_hVideoWnd = video_;
    }
    void TearDown() override {
        g_clock = nullptr;
        g_hVideoWnd = 0;
        if (IsWindow(main_)) {
            DestroyWindow(main_);
        }
        DestroyWindow(video_);
        g_ccFactory.reset();
        std::filesystem::remove_all(dir_);
    }

    // Runs the decoder's script over the given pairs and returns the file.
    template <class Feed>
    std::string script(const std::string& name, Feed feed) {
        const std::filesystem::path path = dir_ / name;
        const int fno = files_.freeFile();
        EXPECT_TRUE(files_.openForOutput(fno, path.string()).isOk());
        g_ccFactory->init(fno);
        feed();
        g_ccFactory->init(0);
        EXPECT_TRUE(files_.close(fno).isOk());
        return readFile(path);
    }

    platform::ManualClock clock_{1000.0};
    platform::FileTable files_;
    std::filesystem::path dir_;
    HWND main_ = 0;
    HWND video_ = 0;
};

// Two pop-on captions, HI and OK; the second boundary closes the first.
const std::vector<std::pair<int32_t, int32_t>> kTwoCaptions = {
    {0x14, 0x20}, {0x48, 0x49}, {0x14, 0x2C}, {0x14, 0x20}, {0x4F, 0x4B}, {0x14, 0x2C}};

TEST_F(HookTest, CaptionPairsReachTheDecoderBeforeTheWindow) {
    Hook(main_, &WndProc);
    const std::string hooked = script("hooked.txt", [&] {
        for (auto [first, second] : kTwoCaptions) {
            SendMessageA(main_, kCaption, packPair(first, second), 77);
        }
    });
    // The same pairs straight into the decoder, time moving on after each.
    const std::string direct = script("direct.txt", [&] {
        for (auto [first, second] : kTwoCaptions) {
            g_ccFactory->decode(first, second);
            clock_.advance(1.0);
        }
    });
    EXPECT_NE(hooked.find("HI"), std::string::npos) << hooked;
    EXPECT_EQ(hooked, direct);

    // Each caption message went on to the window unchanged.
    ASSERT_EQ(g_seen.size(), kTwoCaptions.size());
    for (std::size_t i = 0; i < g_seen.size(); ++i) {
        EXPECT_EQ(g_seen[i].msg, kCaption);
        EXPECT_EQ(g_seen[i].wParam, packPair(kTwoCaptions[i].first, kTwoCaptions[i].second));
        EXPECT_EQ(g_seen[i].lParam, 77);
    }
}

TEST_F(HookTest, UpperHalfOfWParamAndParityBitsMakeNoDifference) {
    Hook(main_, &WndProc);
    g_clock = nullptr;
    // 0x2934 is the pair 0x14 0x2C and 0x1392 the pair 0x48 0x49 (H, I);
    // 0x13 is H with its parity bit set, 0x12 the same byte without it.
    const std::vector<WPARAM> noisy = {0x7FFF0000 | packPair(0x14, 0x20),
                                       0x1392,
                                       0x2934,
                                       packPair(0x14, 0x20),
                                       0x1292,
                                       0x12340000 | 0x2934};
    const std::vector<std::pair<int32_t, int32_t>> pairs = {
        {0x14, 0x20}, {0x48, 0x49}, {0x14, 0x2C}, {0x14, 0x20}, {0x48, 0x49}, {0x14, 0x2C}};
    const std::string hooked = script("noisy.txt", [&] {
        for (WPARAM w : noisy) {
            SendMessageA(main_, kCaption, w, 0);
            clock_.advance(2.0);
        }
    });
    const std::string direct = script("clean.txt", [&] {
        for (auto [first, second] : pairs) {
            g_ccFactory->decode(first, second);
            clock_.advance(2.0);
        }
    });
    EXPECT_NE(direct.find("HI"), std::string::npos) << direct;
    EXPECT_EQ(hooked, direct);
}

TEST_F(HookTest, MovesGoToTheVideoWindowFirstThenToTheWindow) {
    Hook(main_, &WndProc);
    g_mainResult = 5;
    EXPECT_EQ(SendMessageA(main_, WM_MOVE, 9, 0x00230011), 5);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].window, "video");
    EXPECT_EQ(g_seen[0].msg, WM_MOVE);
    EXPECT_EQ(g_seen[0].wParam, 9);
    EXPECT_EQ(g_seen[0].value, 0x00230011);  // the position travels by address
    EXPECT_EQ(g_seen[1].window, "main");
    EXPECT_EQ(g_seen[1].lParam, 0x00230011);

    // Before the video window exists the move goes nowhere, and on.
    g_hVideoWnd = 0;
    SendMessageA(main_, WM_MOVE, 0, 1);
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[2].window, "main");
}

TEST_F(HookTest, OtherMessagesPassThroughWithTheirResult) {
    Hook(main_, &WndProc);
    g_mainResult = 1234;
    EXPECT_EQ(SendMessageA(main_, WM_USER + 3, 1, 2), 1234);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].msg, WM_USER + 3u);
}

TEST_F(HookTest, DestroyReachesTheWindowFirstThenTheHookLetsGo) {
    Hook(main_, &WndProc);
    g_mainResult = 42;
    // The window sees WM_DESTROY while still hooked; afterwards the property
    // is gone, and the window's own result is not passed on.
    EXPECT_EQ(WndProc(main_, WM_DESTROY, 0, 0), 0);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].msg, WM_DESTROY);
    EXPECT_TRUE(g_seen[0].hooked);
    EXPECT_EQ(GetPropA(main_, kOldWndProcProp), 0);

    // Unhooked: captions and moves go straight to the window.
    SendMessageA(main_, WM_MOVE, 0, 3);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].window, "main");
    EXPECT_FALSE(Unhook(main_));
}

TEST_F(HookTest, DestroyWindowRunsThroughTheHook) {
    Hook(main_, &WndProc);
    DestroyWindow(main_);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].msg, WM_DESTROY);
    EXPECT_TRUE(g_seen[0].hooked);
    EXPECT_FALSE(IsWindow(main_));
}

TEST_F(HookTest, SecondHookChangesNothing) {
    Hook(main_, &WndProc);
    const intptr_t previous = GetPropA(main_, kOldWndProcProp);
    EXPECT_EQ(previous, reinterpret_cast<intptr_t>(&mainBase));
    Hook(main_, &WndProc);
    EXPECT_EQ(GetPropA(main_, kOldWndProcProp), previous);
    SendMessageA(main_, WM_MOVE, 0, 0);
    EXPECT_EQ(g_seen.size(), 2u);  // one forward, one delivery: not hooked twice
}

TEST_F(HookTest, WindowThatCannotBeSubclassedStaysUnhooked) {
    const HWND unknown = 987654;
    Hook(unknown, &WndProc);
    EXPECT_EQ(GetPropA(unknown, kOldWndProcProp), 0);
    EXPECT_FALSE(Unhook(unknown));
    EXPECT_FALSE(Unhook(main_));
}

}  // namespace
