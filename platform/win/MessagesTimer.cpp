// Window and thread timers on the message core's clock, and the tick count.
#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/win/MessagesCore.h"

namespace win {

using detail::TheCore;
using detail::ThreadState;
using detail::Timer;

namespace {

constexpr UINT kMinIntervalMs = 10;
constexpr UINT kMaxIntervalMs = 0x7FFFFFFF;

std::vector<Timer>::iterator FindTimerLocked(ThreadState& t, HWND hwnd, UINT_PTR id) {
    return std::find_if(t.timers.begin(), t.timers.end(),
                        [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
}

// A thread timer's id is the core's choice, unique among the thread's timers.
UINT_PTR NewThreadTimerIdLocked(ThreadState& t) {
    UINT_PTR id;
    do {
        id = t.nextTimerId++;
    } while (id == 0 || FindTimerLocked(t, 0, id) != t.timers.end());
    return id;
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    ThreadState& me = detail::CurrentThread();
    uint64_t now = ClockNowMs();
    UINT interval = std::clamp(elapseMs, kMinIntervalMs, kMaxIntervalMs);
    std::lock_guard lock(TheCore().mutex);
    if (hwnd != 0 && !detail::OwnedWindowLocked(hwnd, me))
        return 0;
    auto timer = FindTimerLocked(me, hwnd, id);
    if (timer == me.timers.end()) {
        if (hwnd == 0)
            id = NewThreadTimerIdLocked(me);
        timer = me.timers.insert(me.timers.end(), Timer{hwnd, id});
    }
    timer->interval = interval;
    timer->proc = proc;
    timer->due = now + interval;
    timer->pending = false;
    detail::InputsChangedLocked(me);
    return hwnd != 0 ? std::max<UINT_PTR>(id, 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    ThreadState& me = detail::CurrentThread();
    std::lock_guard lock(TheCore().mutex);
    ThreadState* owner = &me;
    if (hwnd != 0) {
        auto w = detail::LiveWindowLocked(hwnd);
        if (!w)
            return FALSE;
        owner = w->thread.get();
    }
    auto timer = FindTimerLocked(*owner, hwnd, id);
    if (timer == owner->timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    owner->timers.erase(timer);
    detail::InputsChangedLocked(*owner);
    return TRUE;
}

DWORD GetTickCount() {
    return static_cast<DWORD>(ClockNowMs());
}

void Sleep(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

namespace detail {

void MarkDueTimersLocked(ThreadState& t, uint64_t now) {
    for (Timer& timer : t.timers) {
        if (timer.pending || timer.due > now)
            continue;
        timer.pending = true;  // however many intervals passed, one WM_TIMER
        timer.due = now + timer.interval;
        t.inputsChanged = true;
    }
}

int TimerTimeoutMsLocked(const ThreadState& t, uint64_t now) {
    int64_t best = -1;
    for (const Timer& timer : t.timers) {
        if (timer.pending)
            continue;
        int64_t left = timer.due > now ? static_cast<int64_t>(timer.due - now) : 0;
        if (best < 0 || left < best)
            best = left;
    }
    return static_cast<int>(std::min<int64_t>(best, INT_MAX));
}

}  // namespace detail

}  // namespace win
