#pragma once
// The message core's shared state, for its own units only: the tables of classes, windows and threads under
// one lock, and the steps that more than one unit takes. Functions ending in Locked expect the lock held;
// CurrentThread takes it, so call it before locking.

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/MessageLoop.h"
#include "platform/win/Messages.h"

namespace win::detail {

struct ThreadState;

struct WindowClass {
    WNDCLASSA wc;
    std::string name;
    int windows = 0;
};

// A window's record. The table holds it while the handle is alive; every call into its procedure holds it
// too, so a window destroyed inside its own procedure is freed when the outermost call returns.
struct Window {
    HWND hwnd = 0;
    std::shared_ptr<WindowClass> cls;
    std::shared_ptr<ThreadState> thread;
    WNDPROC proc = nullptr;
    LONG_PTR userData = 0;
    std::vector<LONG_PTR> extra;       // one pointer-sized slot per 4 extra bytes
    std::shared_ptr<void> attachment;  // owned by the record (the utility window's method)
    bool enabled = true;
    bool destroying = false;
};

struct Timer {
    HWND hwnd = 0;
    UINT_PTR id = 0;
    UINT interval = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;
    bool pending = false;  // a WM_TIMER is waiting to be retrieved
};

// A message sent from another thread, queued on the window's thread until it has been handled there.
struct SentMessage {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadState> sender;
};

struct FdWatch {
    FdWatchId id = 0;
    ThreadState* owner = nullptr;
    int fd = -1;
    short events = 0;
    FdReadyHandler handler;
    bool removed = false;
    bool running = false;
    ThreadState* waiter = nullptr;  // a thread in UnwatchFd waiting for the running handler
};

struct ThreadState : std::enable_shared_from_this<ThreadState> {
    DWORD id = 0;
    int wakeFd = -1;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 1;
    std::vector<std::shared_ptr<FdWatch>> watches;
    std::shared_ptr<MessageBackend> backend;
    std::condition_variable cv;  // a reply, a sent message or a finished handler for this thread
    bool inputsChanged = false;
    bool polling = false;  // owner thread only: inside PollInputs
};

struct Core {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<Window>> windows;
    std::map<std::pair<HINSTANCE, std::string>, std::shared_ptr<WindowClass>> classes;
    std::map<DWORD, std::shared_ptr<ThreadState>> threads;
    std::map<FdWatchId, std::shared_ptr<FdWatch>> watches;
    std::map<std::string, UINT> atoms;  // class names and registered messages, lower case
    HWND nextHwnd = 0x10010;
    DWORD nextThreadId = 1;
    FdWatchId nextWatchId = 1;
};

Core& TheCore();
// The calling thread's state, made on first use; freed when the thread ends.
ThreadState& CurrentThread();

std::shared_ptr<Window> FindWindowLocked(HWND hwnd);
// The window, or nullptr with the last error ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<Window> LiveWindowLocked(HWND hwnd);
// The window when the thread owns it; nullptr with the last error set otherwise.
std::shared_ptr<Window> OwnedWindowLocked(HWND hwnd, const ThreadState& owner);
// Takes the window out of the tables: its timers and queued messages go too.
void RemoveWindowLocked(Window& w);
// A message was posted or sent to the thread, or its inputs changed.
void WakeLocked(ThreadState& t);
void InputsChangedLocked(ThreadState& t);

// Calls the window's procedure; an exception goes to the application's handler and the result is then 0.
LRESULT CallWindowProcedure(std::shared_ptr<Window> w, UINT msg, WPARAM wParam, LPARAM lParam);
// Handles the messages other threads have sent to the calling thread.
void HandleSentMessages(ThreadState& t);

// Blocks the calling thread until done() holds (checked under the lock), handling what other threads send it
// meanwhile, so two threads that wait on each other do not lock up. Whoever makes done() true notifies me.cv.
template <class Done>
void WaitHandlingSent(ThreadState& me, std::unique_lock<std::mutex>& lock, Done done) {
    while (!done()) {
        if (me.sent.empty()) {
            me.cv.wait(lock);
            continue;
        }
        lock.unlock();
        HandleSentMessages(me);
        lock.lock();
    }
}

// Timers that are due become pending; the milliseconds until the next one is due (-1: none).
void MarkDueTimersLocked(ThreadState& t, uint64_t now);
int TimerTimeoutMsLocked(const ThreadState& t, uint64_t now);

// Posted and sent messages and pending timers: what the thread's queue has to give.
size_t PendingCountLocked(const ThreadState& t);
// On the owning thread: tells the backend about changed inputs, then lets it wait (bounded by the next timer).
void NotifyInputsChanged(ThreadState& t);
void WaitForInput(ThreadState& t, int timeoutMs);

}  // namespace win::detail
