#include <gtest/gtest.h>

#include <vector>

#include "platform/win/LayeredWindows.h"
#include "platform/win/Messages.h"
#include "platform/win/Modules.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;

struct Layering {
    std::optional<COLORREF> key;
    BYTE opacity;
    bool operator==(const Layering&) const = default;
};

class RecordingSurface : public LayeredSurface {
public:
    void SetLayering(std::optional<COLORREF> key, BYTE opacity) override { calls.push_back({key, opacity}); }
    std::vector<Layering> calls;
};

class LayeredWindowsTest : public tarvo::test::TarvoTest {
protected:
    void TearDown() override {
        if (hwnd)
            DestroyWindow(hwnd);
        ClearModuleHooks();
        TarvoTest::TearDown();
    }
    RecordingSurface surface;
    HWND hwnd = 0;
};

using SetLayeredProc = BOOL (*)(HWND, COLORREF, BYTE, DWORD);

TEST_F(LayeredWindowsTest, ColourKeyAndOpacityReachTheSurface) {
    hwnd = CreateSurfaceWindow(&surface);
    ASSERT_NE(hwnd, 0u);
    HMODULE user32 = LoadLibraryA("user32.dll");
    ASSERT_NE(user32, 0u);
    auto setLayered = reinterpret_cast<SetLayeredProc>(GetProcAddress(user32, "SetLayeredWindowAttributes"));
    ASSERT_NE(setLayered, nullptr);

    // Not layered yet: refused, as Windows does.
    SetLastError(0);
    EXPECT_FALSE(setLayered(hwnd, 0x00FF00, 100, LWA_COLORKEY));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(surface.calls.empty());

    EXPECT_EQ(SetWindowLongA(hwnd, GWL_EXSTYLE, GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED), 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)), WS_EX_LAYERED);
    // The alpha value counts only with LWA_ALPHA.
    EXPECT_TRUE(setLayered(hwnd, 0xAB00FF00, 100, LWA_COLORKEY));
    EXPECT_TRUE(setLayered(hwnd, 0, 100, LWA_ALPHA));
    EXPECT_TRUE(setLayered(hwnd, 0x0000FF, 7, LWA_ALPHA | LWA_COLORKEY));
    // Taking the style away ends the layering.
    SetWindowLongA(hwnd, GWL_EXSTYLE, 0);
    EXPECT_EQ(surface.calls,
              (std::vector<Layering>{{0x00FF00, 255}, {std::nullopt, 100}, {0x0000FF, 7}, {std::nullopt, 255}}));
    EXPECT_TRUE(FreeLibrary(user32));
}

TEST_F(LayeredWindowsTest, OnlySurfaceWindowsHaveAnExtendedStyle) {
    WNDCLASSA wc;
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleInstance();
    wc.lpszClassName = "PlainTestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND plain = CreateWindowExA(0, "PlainTestWindow", "", 0, 0, 0, 0, 0, 0, 0, GetModuleInstance(), nullptr);
    ASSERT_NE(plain, 0u);
    SetLastError(0);
    EXPECT_EQ(SetWindowLongA(plain, GWL_EXSTYLE, WS_EX_LAYERED), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0x00FF00, 0, LWA_COLORKEY));
    EXPECT_TRUE(DestroyWindow(plain));
    EXPECT_TRUE(UnregisterClassA("PlainTestWindow", GetModuleInstance()));

    hwnd = CreateSurfaceWindow(&surface);
    ASSERT_NE(hwnd, 0u);
    SetWindowLongA(hwnd, GWL_EXSTYLE, WS_EX_LAYERED);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(SetLayeredWindowAttributes(hwnd, 0x00FF00, 0, LWA_COLORKEY));  // a dead handle
    hwnd = 0;
    EXPECT_TRUE(surface.calls.empty());
    EXPECT_EQ(CreateSurfaceWindow(nullptr), 0u);
}

}  // namespace
