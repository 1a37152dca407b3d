#pragma once
// The message core: windows as handles with window procedures, one FIFO queue per thread, timers, and the
// readiness of file descriptors fed into the same queue. Behaves as the Windows calls it stands in for,
// with their return values and last-error codes.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/win/WinTypes.h"

namespace win {

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_USERDATA = -21;

constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;

// Error codes of the message core, beside those in WinTypes.h.
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;

// A thread's queue holds at most this many posted messages; posting more fails with ERROR_NOT_ENOUGH_QUOTA.
constexpr size_t MAX_POSTED_MESSAGES = 10000;

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD QS_ALLINPUT = 0x04FF;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct WNDCLASSA {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;  // window extra bytes: one pointer-sized slot per 4 bytes (index 0, 4, 8, ...)
    HINSTANCE hInstance = 0;
    const char* lpszClassName = nullptr;
};

// What WM_CREATE's lParam points to.
struct CREATESTRUCTA {
    void* lpCreateParams = nullptr;
    HINSTANCE hInstance = 0;
    HANDLE hMenu = 0;
    HWND hwndParent = 0;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    DWORD style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

struct MSG {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
};

// The module handle of the program itself.
HINSTANCE GetModuleInstance();

// Classes are per instance; names compared without regard to ASCII case. Unregistering fails while
// windows of the class exist.
ATOM RegisterClassA(const WNDCLASSA* wc);
BOOL UnregisterClassA(const char* className, HINSTANCE instance);
BOOL GetClassInfoA(HINSTANCE instance, const char* className, WNDCLASSA* wc);

// A window belongs to the thread that creates it; its messages are delivered on that thread, and only that
// thread may destroy it or dispatch to it. WM_CREATE (lParam: a CREATESTRUCTA) is sent before the call returns
// (a result of -1 fails the creation). Parent and menu are recorded nowhere: there are no child windows.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HANDLE menu, HINSTANCE instance, void* param);
// Sends WM_DESTROY, kills the window's timers and drops its queued messages; the handle is dead at once.
// Called inside the window's own procedure, the record is freed when the outermost call into it returns.
// When a thread ends, its windows, timers and queue go with it (no messages are sent then).
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);
// A window takes input until disabled; the flag is only recorded (no WM_ENABLE is sent). EnableWindow answers
// whether the window was disabled before the call; both answer FALSE for a window that does not exist.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

// Posting: from any thread; FALSE (last error 1400) for a window that does not exist. hwnd 0 posts to the
// calling thread's queue with no window.
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Retrieval: FIFO per thread. Messages sent from other threads are handled first, whatever the filter. Each
// call polls the watched descriptors and timers (PollInputs), as WinSock would have posted meanwhile.
// WM_TIMER is generated when the queue holds nothing else that matches, at most one pending per timer.
// hwnd 0 and range 0..0 mean any; WM_QUIT has no window, so a window filter never returns it.
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
// Waits for a message; 0 for WM_QUIT, -1 on a bad argument.
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure (or a WM_TIMER's TIMERPROC, when that timer still exists). An exception thrown by
// it never leaves: it goes to the application's exception handler (Application::HandleException).
LRESULT DispatchMessageA(const MSG* msg);

// Timers run on the message core's clock (SetClock). hwnd 0 makes a thread timer with an id of the core's
// choosing. The interval is at least 10 ms.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// The same name (ASCII case ignored) gives the same number in 0xC000..0xFFFF for the whole process.
UINT RegisterWindowMessageA(const char* name);

DWORD GetCurrentThreadId();
// Milliseconds of the message core's clock, wrapping at 32 bits.
DWORD GetTickCount();
void Sleep(DWORD ms);
// Only nCount 0 is supported: waits up to ms (real time, whatever clock the timers run on) for input to the
// calling thread's queue (a posted or sent message, a ready watched descriptor, a due timer). WAIT_OBJECT_0
// when input is there, WAIT_TIMEOUT otherwise.
DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask);
BOOL WaitMessage();

}  // namespace win

// Exported with C linkage: the stand-in archiver libraries reach the host's one message core through it.
// Same thread: a direct call. Another thread: queued ahead of posted messages, the caller waits for the result
// and meanwhile handles what is sent to its own windows; 0 when the window's thread ends first.
// An exception thrown by the procedure goes to the application's exception handler; the result is then 0.
extern "C" __attribute__((visibility("default"))) win::LRESULT SendMessageA(win::HWND hwnd, win::UINT msg,
                                                                            win::WPARAM wParam, win::LPARAM lParam);
namespace win {
using ::SendMessageA;
}
