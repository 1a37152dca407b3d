// Window classes, window records and their lifetime, enabling, registered messages, utility windows.
#include <gmock/gmock.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win/Modules.h"
#include "tests/platform/MessageCoreFixture.h"

namespace {

using namespace win;
using tarvo::test::MessageCoreTest;
using tarvo::test::TestWindow;
using ::testing::ElementsAre;

using WindowTest = MessageCoreTest;

LRESULT PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return msg == WM_USER ? 11 : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT OtherProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_USER ? 22 : 0;
}

LRESULT RefusingProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_CREATE ? -1 : 0;
}

WNDCLASSA ClassOf(const char* name, WNDPROC proc, int extraBytes = 0, HINSTANCE instance = GetModuleInstance()) {
    WNDCLASSA wc;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = extraBytes;
    wc.hInstance = instance;
    wc.lpszClassName = name;
    return wc;
}

HWND Create(const char* className, HINSTANCE instance = GetModuleInstance()) {
    return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, 0, 0, instance, nullptr);
}

TEST_F(WindowTest, ClassesArePerInstanceWithNamesInAnyCase) {
    WNDCLASSA wc = ClassOf("ClassTestWindow", PlainProc, 4);
    ATOM atom = RegisterClassA(&wc);
    ASSERT_NE(atom, 0);
    WNDCLASSA upper = ClassOf("CLASSTESTWINDOW", PlainProc);
    EXPECT_EQ(RegisterClassA(&upper), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    WNDCLASSA elsewhere = ClassOf("ClassTestWindow", OtherProc, 0, 0x7700000);
    EXPECT_NE(RegisterClassA(&elsewhere), 0);

    WNDCLASSA found;
    ASSERT_TRUE(GetClassInfoA(GetModuleInstance(), "classtestwindow", &found));
    EXPECT_EQ(found.lpfnWndProc, &PlainProc);
    EXPECT_EQ(found.cbWndExtra, 4);
    EXPECT_FALSE(GetClassInfoA(GetModuleInstance(), "NoSuchClass", &found));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
    EXPECT_EQ(Create("NoSuchClass"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);

    HWND mine = Create("CLASSTESTWINDOW");
    HWND other = Create("ClassTestWindow", 0x7700000);
    ASSERT_NE(mine, 0u);
    EXPECT_EQ(SendMessageA(mine, WM_USER, 0, 0), 11);
    EXPECT_EQ(SendMessageA(other, WM_USER, 0, 0), 22);
    EXPECT_FALSE(UnregisterClassA("ClassTestWindow", GetModuleInstance()));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    EXPECT_TRUE(DestroyWindow(mine));
    EXPECT_TRUE(UnregisterClassA("classtestwindow", GetModuleInstance()));
    EXPECT_EQ(RegisterClassA(&wc), atom);  // the same name keeps its number
    EXPECT_TRUE(DestroyWindow(other));
    EXPECT_TRUE(UnregisterClassA("ClassTestWindow", 0x7700000));
    EXPECT_TRUE(UnregisterClassA("ClassTestWindow", GetModuleInstance()));
}

TEST_F(WindowTest, CreationSendsWmCreateAndARefusalDestroysTheWindow) {
    std::vector<UINT> seen;
    void* param = nullptr;
    TestWindow w([&](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        seen.push_back(msg);
        if (msg == WM_CREATE)
            param = reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams;
        return 0;
    });
    EXPECT_THAT(seen, ElementsAre(WM_CREATE));
    EXPECT_EQ(param, &w);
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(w.hwnd(), &pid), GetCurrentThreadId());
    EXPECT_NE(pid, 0u);

    WNDCLASSA wc = ClassOf("RefusingWindow", RefusingProc);
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(Create("RefusingWindow"), 0u);
    EXPECT_TRUE(UnregisterClassA("RefusingWindow", GetModuleInstance()));  // no window was left behind
}

TEST_F(WindowTest, WindowLongsArePointerSizedSlots) {
    WNDCLASSA wc = ClassOf("SlotWindow", PlainProc, 8);
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = Create("SlotWindow");
    ASSERT_NE(hwnd, 0u);
    const LONG_PTR wide = static_cast<LONG_PTR>(0x123456789ABCDEF0ULL);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, 0, wide), 0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, 4, 77), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 0), wide);  // not cut by its neighbour at index 4
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 4), 77);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, 4, 78), 77);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 8), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    SetLastError(0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, 2, 1), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 5), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 5);

    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OtherProc)),
              reinterpret_cast<LONG_PTR>(&PlainProc));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 22);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(UnregisterClassA("SlotWindow", GetModuleInstance()));
}

TEST_F(WindowTest, EnablingAnswersWhetherTheWindowWasDisabled) {
    HWND hwnd;
    {
        TestWindow window;
        hwnd = window.hwnd();
        EXPECT_TRUE(IsWindowEnabled(hwnd)) << "a new window takes input";
        EXPECT_FALSE(EnableWindow(hwnd, FALSE));
        EXPECT_FALSE(IsWindowEnabled(hwnd));
        EXPECT_TRUE(EnableWindow(hwnd, FALSE));
        EXPECT_TRUE(EnableWindow(hwnd, TRUE));
        EXPECT_TRUE(IsWindowEnabled(hwnd));
        EXPECT_FALSE(EnableWindow(hwnd, TRUE));
    }
    SetLastError(0);
    EXPECT_FALSE(EnableWindow(hwnd, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(IsWindowEnabled(hwnd));
}

TEST_F(WindowTest, DestroyedInsideItsOwnProcedureTheRecordLivesUntilTheOutermostCallReturns) {
    std::vector<std::string> log;
    TestWindow w([&](HWND hwnd, UINT msg, WPARAM depth, LPARAM) -> LRESULT {
        if (msg == WM_DESTROY)
            log.push_back("destroy");
        if (msg != WM_USER)
            return DefWindowProcA(hwnd, msg, 0, 0);
        if (depth < 2) {
            SendMessageA(hwnd, WM_USER, depth + 1, 0);
            log.push_back("back at " + std::to_string(depth) + (IsWindow(hwnd) ? " alive" : " dead"));
            return 0;
        }
        EXPECT_TRUE(DestroyWindow(hwnd));
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
        SetLastError(0);
        EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    });
    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    Application::ProcessMessages();
    EXPECT_THAT(log, ElementsAre("destroy", "back at 1 dead", "back at 0 dead"));

    // A utility window whose method frees it: the method object stays alive until it returns.
    std::string state(64, 's');
    std::string after;
    HWND util = AllocateHWnd([&, captured = state](TMessage& m) {
        if (m.Msg != WM_USER)
            return;
        DeallocateHWnd(util);
        after = captured;  // ASan reports it if the method was freed underneath
        m.Result = 5;
    });
    ASSERT_NE(util, 0u);
    EXPECT_EQ(SendMessageA(util, WM_USER, 0, 0), 5);
    EXPECT_EQ(after, state);
    EXPECT_FALSE(IsWindow(util));
}

TEST_F(WindowTest, WmCloseThroughTheDefaultProcedureDestroysTheWindow) {
    std::vector<UINT> seen;
    TestWindow w([&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        seen.push_back(msg);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    });
    seen.clear();
    SendMessageA(w.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_THAT(seen, ElementsAre(WM_CLOSE, WM_DESTROY));
    EXPECT_FALSE(IsWindow(w.hwnd()));
}

TEST_F(WindowTest, RegisteredMessagesAreOneNumberPerNameForTheProcess) {
    UINT extract = RegisterWindowMessageA("wm_arcextract");
    EXPECT_GE(extract, 0xC000u);
    EXPECT_LE(extract, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("WM_ARCEXTRACT"), extract);
    EXPECT_NE(RegisterWindowMessageA("wm_other"), extract);
    UINT fromThread = 0;
    std::thread([&] { fromThread = RegisterWindowMessageA("wm_arcextract"); }).join();
    EXPECT_EQ(fromThread, extract);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST_F(WindowTest, AUtilityWindowHandsItsMessagesToTheMethod) {
    std::vector<UINT> seen;
    HWND util = AllocateHWnd([&](TMessage& m) {
        seen.push_back(m.Msg);
        m.Result = static_cast<LRESULT>(m.WParam + m.LParam);
    });
    ASSERT_NE(util, 0u);
    EXPECT_EQ(SendMessageA(util, WM_USER, 2, 3), 5);
    PostMessageA(util, WM_USER + 1, 0, 0);
    Application::ProcessMessages();
    DeallocateHWnd(util);
    EXPECT_FALSE(IsWindow(util));
    EXPECT_THAT(seen, ElementsAre(WM_USER, WM_USER + 1));  // no WM_DESTROY for the method
}

TEST_F(WindowTest, ALibraryLoadedAtRunTimeSendsThroughTheProgramsCore) {
    TestWindow w([](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return msg == WM_USER ? static_cast<LRESULT>(wParam * 10) + lParam : 0;
    });
    HMODULE probe = LoadLibraryA("MSGPROBE.DLL");
    ASSERT_NE(probe, 0u) << "the library could not bind SendMessageA";
    using SendFn = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
    auto send = reinterpret_cast<SendFn>(GetProcAddress(probe, "ProbeSendMessage"));
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send(w.hwnd(), WM_USER, 4, 2), 42);
    EXPECT_TRUE(FreeLibrary(probe));
}

}  // namespace
