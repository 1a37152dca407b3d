#pragma once
// What the message core adds to the Windows calls: descriptor watches (how the WinSock stand-in feeds
// socket readiness into a thread's queue), an injectable clock, the waiting backend, the class library's
// utility windows and the Application object.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Messages.h"

namespace win {

// Descriptor watches. The handler runs on the watch's thread, inside that thread's input poll, with poll()'s
// revents; it normally posts a message and returns. events 0 pauses the watch; a watch whose descriptor is
// found closed (POLLNVAL) is paused after that report. Callable from any thread. WatchFd gives 0 (last error
// ERROR_INVALID_THREAD_ID) for a thread without a queue.
using FdWatchId = uint64_t;
using FdReadyHandler = std::function<void(short revents)>;
FdWatchId WatchFd(DWORD threadId, int fd, short events, FdReadyHandler onReady);
void SetFdWatchEvents(FdWatchId id, short events);
void UnwatchFd(FdWatchId id);  // after it returns, the handler is not running and never runs again

// Checks the calling thread's watched descriptors and timers without waiting: ready handlers run and due
// timers become pending WM_TIMER messages.
void PollInputs();

// Milliseconds on a monotonic clock; tests install a manual one. Timers and GetTickCount read it; set it
// before timers are made. NowMs is called from any thread.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t NowMs() = 0;
};
void SetClock(std::shared_ptr<Clock> clock);  // nullptr restores the steady clock
uint64_t ClockNowMs();

// How a thread waits for input. The poll backend (the default for every thread) blocks in poll() on an
// eventfd woken by posts, the watched descriptors and the next timer. The Qt backend of the GUI programs
// drives the same queue from Qt's loop.
class MessageBackend {
public:
    virtual ~MessageBackend() = default;
    // Block the owning thread until input may have arrived or timeoutMs (-1: no limit) passed. It may return
    // early; the caller re-checks the queue. Ready descriptors are handed on through PollInputs.
    virtual void WaitForInput(int timeoutMs) = 0;
    // Any thread: a message was posted or sent to the owning thread. Called under the core's lock: it must not
    // call back into the message core.
    virtual void Wake() = 0;
    // Owning thread: the set of watched descriptors or the next timer changed.
    virtual void InputsChanged() {}
    // Owning thread, once per ProcessMessages pass: run the toolkit's own pending events, if any.
    virtual void ProcessPendingEvents() {}
};
// Installs a backend for the calling thread (nullptr: the poll backend again). A backend belongs to the thread it
// was made for: it is used there only, and freed there, by whoever lets it go last.
void SetThreadBackend(std::shared_ptr<MessageBackend> backend);
// The calling thread's backend, for one that wraps it for a while and then puts it back.
std::shared_ptr<MessageBackend> ThreadBackend();
// For a backend that mirrors the calling thread's inputs in its own loop: the thread's wake-up descriptor (an
// eventfd the poll backend's Wake writes), the active descriptor watches and the milliseconds until the next
// timer is due (-1: none).
int ThreadWakeFd();
struct WatchedFd {
    int fd = -1;
    short events = 0;
};
std::vector<WatchedFd> ThreadWatchedFds();
int ThreadTimerTimeoutMs();

// The class library's utility window: a hidden window whose messages go to a method.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage&)>;
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND hwnd);

// The application object of the class library, for the message loop of a program and its helpers.
class Application {
public:
    // Dispatches until the calling thread's queue is empty, including what is posted meanwhile. Each pass
    // polls inputs first (without waiting) and lets the backend run its own events. WM_QUIT sets Terminated
    // and is not dispatched.
    static void ProcessMessages();
    // Dispatches one message, waiting for one when the queue is empty.
    static void HandleMessage();
    // HandleMessage until Terminated.
    static void Run();
    static bool Terminated();
    // Posts WM_QUIT (the loop ends) and sets Terminated at once, so blocking waits give up.
    static void Terminate();
    // For a program's next run and for tests: clears Terminated and drops a WM_QUIT still queued.
    static void ResetTerminated();

    static const std::string& Title();
    static void SetTitle(std::string title);

    // The handler of exceptions that reach the loop; the default (also after setting nullptr) writes the
    // message to standard error. EAbort is silent, as in the class library; an exception the handler throws
    // is written to standard error and dropped.
    using ExceptionHandler = std::function<void(const std::exception& e)>;
    static void SetExceptionHandler(ExceptionHandler handler);
    static void HandleException(std::exception_ptr e);
};

}  // namespace win
