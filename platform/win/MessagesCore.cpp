#include "platform/win/MessagesCore.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "platform/win/PollBackend.h"

namespace win::detail {

namespace {

void EndThread(ThreadState& t);

// Ends the thread's part in the message core when the thread ends.
struct ThreadExit {
    std::shared_ptr<ThreadState> state;
    ~ThreadExit() {
        if (state)
            EndThread(*state);
    }
};

thread_local ThreadState* current = nullptr;
thread_local bool ended = false;
thread_local ThreadExit threadExit;

std::shared_ptr<ThreadState> NewThreadState() {
    auto t = std::make_shared<ThreadState>();
    // Without an eventfd the poll backend still works, waking up now and then to look.
    t->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    t->backend = std::make_shared<PollBackend>(t->wakeFd);
    Core& core = TheCore();
    std::lock_guard lock(core.mutex);
    t->id = core.nextThreadId++;
    core.threads.emplace(t->id, t);
    return t;
}

void EndThread(ThreadState& t) {
    Core& core = TheCore();
    // Freed after the lock is left: records and handlers may hold objects whose destructors call back in.
    std::vector<std::shared_ptr<Window>> windows;
    std::vector<std::shared_ptr<FdWatch>> watches;
    std::shared_ptr<MessageBackend> backend;
    {
        std::lock_guard lock(core.mutex);
        for (const auto& [hwnd, w] : core.windows) {
            if (w->thread.get() == &t)
                windows.push_back(w);
        }
        for (const auto& w : windows)
            RemoveWindowLocked(*w);
        for (const auto& s : t.sent) {
            s->done = true;
            s->sender->cv.notify_all();
        }
        t.sent.clear();
        t.posted.clear();
        t.timers.clear();
        for (const auto& w : t.watches) {
            w->removed = true;
            core.watches.erase(w->id);
        }
        watches.swap(t.watches);
        backend = std::move(t.backend);
        core.threads.erase(t.id);
    }
    windows.clear();
    watches.clear();
    backend.reset();
    if (t.wakeFd >= 0)
        close(t.wakeFd);
    t.wakeFd = -1;
    current = nullptr;
    ended = true;
}

}  // namespace

Core& TheCore() {
    static Core* core = new Core;  // never destroyed: threads may still end after static destruction began
    return *core;
}

ThreadState& CurrentThread() {
    if (!current) {
        std::shared_ptr<ThreadState> t = NewThreadState();
        current = t.get();
        // A call made while the thread's own destructors run (after EndThread) gets a state the table keeps.
        if (!ended)
            threadExit.state = std::move(t);
    }
    return *current;
}

std::shared_ptr<Window> FindWindowLocked(HWND hwnd) {
    Core& core = TheCore();
    auto it = core.windows.find(hwnd);
    return it == core.windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> LiveWindowLocked(HWND hwnd) {
    auto w = FindWindowLocked(hwnd);
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::shared_ptr<Window> OwnedWindowLocked(HWND hwnd, const ThreadState& owner) {
    auto w = LiveWindowLocked(hwnd);
    if (w && w->thread.get() != &owner) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return w;
}

void RemoveWindowLocked(Window& w) {
    if (TheCore().windows.erase(w.hwnd) == 0)
        return;
    --w.cls->windows;
    ThreadState& t = *w.thread;
    std::erase_if(t.timers, [&](const Timer& timer) { return timer.hwnd == w.hwnd; });
    std::erase_if(t.posted, [&](const MSG& m) { return m.hwnd == w.hwnd; });
    t.inputsChanged = true;
}

void WakeLocked(ThreadState& t) {
    t.cv.notify_all();
    if (t.backend)
        t.backend->Wake();
}

void InputsChangedLocked(ThreadState& t) {
    t.inputsChanged = true;
    WakeLocked(t);
}

LRESULT CallWindowProcedure(std::shared_ptr<Window> w, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    {
        std::lock_guard lock(TheCore().mutex);
        proc = w->proc;
    }
    try {
        return proc ? proc(w->hwnd, msg, wParam, lParam) : DefWindowProcA(w->hwnd, msg, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
}

void HandleSentMessages(ThreadState& t) {
    Core& core = TheCore();
    for (;;) {
        std::shared_ptr<SentMessage> s;
        std::shared_ptr<Window> w;
        {
            std::lock_guard lock(core.mutex);
            if (t.sent.empty())
                return;
            s = std::move(t.sent.front());
            t.sent.pop_front();
            w = FindWindowLocked(s->hwnd);
        }
        LRESULT result = w ? CallWindowProcedure(w, s->message, s->wParam, s->lParam) : 0;
        std::lock_guard lock(core.mutex);
        s->result = result;
        s->done = true;
        s->sender->cv.notify_all();
    }
}

size_t PendingCountLocked(const ThreadState& t) {
    auto timers = std::count_if(t.timers.begin(), t.timers.end(), [](const Timer& timer) { return timer.pending; });
    return t.posted.size() + t.sent.size() + static_cast<size_t>(timers);
}

void NotifyInputsChanged(ThreadState& t) {
    std::shared_ptr<MessageBackend> backend;
    {
        std::lock_guard lock(TheCore().mutex);
        if (!std::exchange(t.inputsChanged, false))
            return;
        backend = t.backend;
    }
    backend->InputsChanged();
}

void WaitForInput(ThreadState& t, int timeoutMs) {
    NotifyInputsChanged(t);
    uint64_t now = ClockNowMs();
    std::shared_ptr<MessageBackend> backend;
    int timerMs;
    {
        std::lock_guard lock(TheCore().mutex);
        backend = t.backend;
        timerMs = TimerTimeoutMsLocked(t, now);
    }
    if (timerMs >= 0 && (timeoutMs < 0 || timerMs < timeoutMs))
        timeoutMs = timerMs;
    backend->WaitForInput(timeoutMs);
}

}  // namespace win::detail

namespace win {

DWORD GetCurrentThreadId() {
    return detail::CurrentThread().id;
}

}  // namespace win
