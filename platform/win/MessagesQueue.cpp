// The per-thread queue: posting, sending, retrieving and dispatching messages, and waiting for input.
#include <algorithm>
#include <chrono>
#include <climits>

#include "platform/win/MessagesCore.h"

namespace win {

using detail::Core;
using detail::LiveWindowLocked;
using detail::OwnedWindowLocked;
using detail::TheCore;
using detail::ThreadState;
using detail::Window;

namespace {

MSG MakeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, msg, wParam, lParam, GetTickCount()};
}

bool Matches(HWND msgHwnd, UINT message, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (hwnd != 0 && msgHwnd != hwnd)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

BOOL PostLocked(ThreadState& t, const MSG& m) {
    if (t.posted.size() >= MAX_POSTED_MESSAGES) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    t.posted.push_back(m);
    detail::WakeLocked(t);
    return TRUE;
}

// A WM_TIMER names its TIMERPROC in lParam; only a live timer's own procedure is called, never an address
// that merely came with a message.
LRESULT DispatchTimerProc(const MSG& m) {
    ThreadState& me = detail::CurrentThread();
    TIMERPROC proc = nullptr;
    {
        std::lock_guard lock(TheCore().mutex);
        auto timer = std::find_if(me.timers.begin(), me.timers.end(), [&](const detail::Timer& t) {
            return t.hwnd == m.hwnd && t.id == m.wParam && reinterpret_cast<LPARAM>(t.proc) == m.lParam;
        });
        if (timer != me.timers.end())
            proc = timer->proc;
    }
    if (!proc)
        return 0;
    try {
        proc(m.hwnd, WM_TIMER, m.wParam, m.time);
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
    return 0;
}

}  // namespace

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == 0)
        return PostThreadMessageA(GetCurrentThreadId(), msg, wParam, lParam);
    MSG m = MakeMessage(hwnd, msg, wParam, lParam);
    std::lock_guard lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    if (!w)
        return FALSE;
    return PostLocked(*w->thread, m);
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    MSG m = MakeMessage(0, msg, wParam, lParam);
    Core& core = TheCore();
    std::lock_guard lock(core.mutex);
    auto it = core.threads.find(threadId);
    if (it == core.threads.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostLocked(*it->second, m);
}

void PostQuitMessage(int exitCode) {
    ThreadState& me = detail::CurrentThread();
    MSG m = MakeMessage(0, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
    std::lock_guard lock(TheCore().mutex);
    me.posted.push_back(m);  // never refused, however full the queue
    detail::WakeLocked(me);
}

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ThreadState& me = detail::CurrentThread();
    detail::HandleSentMessages(me);
    PollInputs();
    DWORD now = GetTickCount();
    bool remove = (removeMsg & PM_REMOVE) != 0;
    std::lock_guard lock(TheCore().mutex);
    if (hwnd != 0 && !LiveWindowLocked(hwnd))
        return FALSE;
    auto posted = std::find_if(me.posted.begin(), me.posted.end(),
                               [&](const MSG& m) { return Matches(m.hwnd, m.message, hwnd, filterMin, filterMax); });
    if (posted != me.posted.end()) {
        *msg = *posted;
        if (remove)
            me.posted.erase(posted);
        return TRUE;
    }
    for (detail::Timer& timer : me.timers) {
        if (!timer.pending || !Matches(timer.hwnd, WM_TIMER, hwnd, filterMin, filterMax))
            continue;
        *msg = MSG{timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc), now};
        if (remove)
            timer.pending = false;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    ThreadState& me = detail::CurrentThread();
    for (;;) {
        if (PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        if (hwnd != 0 && !IsWindow(hwnd))
            return -1;  // last error set by PeekMessageA
        detail::WaitForInput(me, -1);
    }
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}  // no keyboard input reaches this queue

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0)
        return DispatchTimerProc(*msg);
    if (msg->hwnd == 0)
        return 0;
    ThreadState& me = detail::CurrentThread();
    std::shared_ptr<Window> w;
    {
        std::lock_guard lock(TheCore().mutex);
        w = OwnedWindowLocked(msg->hwnd, me);
        if (!w)
            return 0;
    }
    return detail::CallWindowProcedure(w, msg->message, msg->wParam, msg->lParam);
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE*, BOOL, DWORD ms, DWORD) {
    if (nCount != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    using Clock = std::chrono::steady_clock;
    ThreadState& me = detail::CurrentThread();
    const Clock::time_point start = Clock::now();
    for (;;) {
        PollInputs();
        {
            std::lock_guard lock(TheCore().mutex);
            if (detail::PendingCountLocked(me) > 0)
                return WAIT_OBJECT_0;
        }
        int left = -1;
        if (ms != INFINITE) {
            int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (elapsed >= static_cast<int64_t>(ms))
                return WAIT_TIMEOUT;
            left = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(ms) - elapsed, INT_MAX));
        }
        detail::WaitForInput(me, left);
    }
}

BOOL WaitMessage() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    return TRUE;
}

}  // namespace win

extern "C" win::LRESULT SendMessageA(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    using namespace win;
    ThreadState& me = detail::CurrentThread();
    std::shared_ptr<detail::SentMessage> sent;
    std::unique_lock lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    if (!w)
        return 0;
    if (w->thread.get() == &me) {
        lock.unlock();
        return detail::CallWindowProcedure(std::move(w), msg, wParam, lParam);
    }
    sent = std::make_shared<detail::SentMessage>(
        detail::SentMessage{hwnd, msg, wParam, lParam, 0, false, me.shared_from_this()});
    w->thread->sent.push_back(sent);
    detail::WakeLocked(*w->thread);
    w.reset();  // another thread's record is never released here, outside its table
    detail::WaitHandlingSent(me, lock, [&] { return sent->done; });
    return sent->result;
}
