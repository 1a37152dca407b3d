// Timers and the tick count on a clock the test moves.
#include <gmock/gmock.h>

#include <vector>

#include "platform/rtl/SysUtils.h"
#include "tests/platform/MessageCoreFixture.h"

namespace {

using namespace win;
using tarvo::test::MessageCoreTest;
using tarvo::test::TestWindow;
using tarvo::test::UseManualClock;
using ::testing::ElementsAre;

using TimerTest = MessageCoreTest;

std::vector<UINT_PTR> firedTimers;

void RecordingTimerProc(HWND, UINT msg, UINT_PTR id, DWORD) {
    if (msg == WM_TIMER)
        firedTimers.push_back(id);
}

void ThrowingTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    throw Exception("timer failure");
}

// The WM_TIMER messages the queue holds now, taken off it.
std::vector<MSG> TakeTimers(HWND hwnd = 0) {
    std::vector<MSG> taken;
    MSG msg;
    for (int i = 0; i < 100 && PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE); ++i)
        taken.push_back(msg);
    return taken;
}

TEST_F(TimerTest, AWindowTimerFiresWhenDueWithOnePendingAtMost) {
    auto clock = UseManualClock();
    TestWindow w;
    EXPECT_EQ(SetTimer(w.hwnd(), 7, 500, nullptr), 7u);
    EXPECT_TRUE(TakeTimers().empty());
    clock->Advance(499);
    EXPECT_TRUE(TakeTimers().empty());
    clock->Advance(1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, w.hwnd(), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 7u);
    auto fired = TakeTimers();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].hwnd, w.hwnd());

    clock->Advance(10 * 500);  // many intervals pass unserved: still one WM_TIMER
    EXPECT_EQ(TakeTimers().size(), 1u);
    EXPECT_TRUE(TakeTimers().empty());
    clock->Advance(500);
    EXPECT_EQ(TakeTimers().size(), 1u);
}

TEST_F(TimerTest, PostedMessagesGoAheadOfTimers) {
    auto clock = UseManualClock();
    std::vector<UINT> seen;
    TestWindow w([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(msg);
        return 0;
    });
    seen.clear();
    SetTimer(w.hwnd(), 1, 100, nullptr);
    clock->Advance(100);
    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    PostMessageA(w.hwnd(), WM_USER + 1, 0, 0);
    Application::ProcessMessages();
    EXPECT_THAT(seen, ElementsAre(WM_USER, WM_USER + 1, WM_TIMER));
}

TEST_F(TimerTest, KillTimerAndDestroyWindowDropTimersEvenWhenPending) {
    auto clock = UseManualClock();
    TestWindow w;
    SetTimer(w.hwnd(), 1, 100, nullptr);
    SetTimer(w.hwnd(), 2, 100, nullptr);
    clock->Advance(100);
    PollInputs();
    EXPECT_TRUE(KillTimer(w.hwnd(), 1));
    EXPECT_FALSE(KillTimer(w.hwnd(), 1));
    auto fired = TakeTimers();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].wParam, 2u);

    clock->Advance(100);
    PollInputs();
    ASSERT_TRUE(DestroyWindow(w.hwnd()));
    EXPECT_TRUE(TakeTimers().empty());
    clock->Advance(1000);
    EXPECT_TRUE(TakeTimers().empty());
}

TEST_F(TimerTest, ThreadTimersCallTheirProcedureOnlyWhileTheyExist) {
    auto clock = UseManualClock();
    firedTimers.clear();
    std::vector<std::string> caught;
    Application::SetExceptionHandler([&](const std::exception& e) { caught.push_back(e.what()); });
    UINT_PTR first = SetTimer(0, 0, 100, RecordingTimerProc);
    UINT_PTR second = SetTimer(0, 0, 300, RecordingTimerProc);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(SetTimer(0, first, 200, RecordingTimerProc), first);  // an existing id is re-armed
    clock->Advance(200);
    Application::ProcessMessages();
    EXPECT_THAT(firedTimers, ElementsAre(first));

    // A WM_TIMER carrying some address is not a call into it, nor is one of a killed timer.
    PostMessageA(0, WM_TIMER, second, reinterpret_cast<LPARAM>(&ThrowingTimerProc));
    clock->Advance(100);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, 0, WM_TIMER, WM_TIMER, PM_REMOVE));
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, 0, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, second);
    EXPECT_TRUE(KillTimer(0, second));
    DispatchMessageA(&msg);
    EXPECT_THAT(firedTimers, ElementsAre(first));
    EXPECT_TRUE(caught.empty());
    EXPECT_TRUE(KillTimer(0, first));
}

TEST_F(TimerTest, AnExceptionInATimerProcedureGoesToTheHandler) {
    auto clock = UseManualClock();
    std::vector<std::string> caught;
    Application::SetExceptionHandler([&](const std::exception& e) { caught.push_back(e.what()); });
    UINT_PTR id = SetTimer(0, 0, 50, ThrowingTimerProc);
    clock->Advance(50);
    Application::ProcessMessages();
    EXPECT_THAT(caught, ElementsAre("timer failure"));
    KillTimer(0, id);
}

TEST_F(TimerTest, TheTickCountFollowsTheClockAndWrapsAt32Bits) {
    auto clock = UseManualClock();
    clock->Set(0xFFFFFFFFull - 5);
    DWORD before = GetTickCount();
    EXPECT_EQ(before, 0xFFFFFFFFu - 5);
    clock->Advance(10);
    DWORD after = GetTickCount();
    EXPECT_EQ(after, 4u);
    EXPECT_EQ(static_cast<DWORD>(after - before), 10u);  // differences stay right across the wrap
    EXPECT_EQ(ClockNowMs(), 0xFFFFFFFFull + 5);
}

}  // namespace
