#pragma once
// The message core: windows as handles with window procedures, one FIFO queue per thread, timers, and the
// readiness of file descriptors fed into the same queue. Behaves as the Windows calls it stands in for,
// with their return values and last-error codes.

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

// A window belongs to the thread that creates it; its messages are delivered on that thread.
// WM_CREATE is sent before the call returns (a result of -1 fails the creation).
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HANDLE menu, HINSTANCE instance, void* param);
// Sends WM_DESTROY, kills the window's timers and drops its queued messages; the handle is dead at once.
// Called inside the window's own procedure, the record is freed when that procedure returns.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

// Posting: from any thread; FALSE (last error 1400) for a window that does not exist. hwnd 0 posts to the
// calling thread's queue with no window.
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Retrieval: FIFO per thread. WM_TIMER is generated when the queue holds nothing else for the window, at
// most one pending per timer. hwnd 0 and range 0..0 mean any.
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
// Waits for a message; 0 for WM_QUIT, -1 on a bad argument.
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure (or a WM_TIMER's TIMERPROC). An exception thrown by it never leaves: it goes to
// the application's exception handler (Application::HandleException).
LRESULT DispatchMessageA(const MSG* msg);

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// The same name (ASCII case ignored) gives the same number in 0xC000..0xFFFF for the whole process.
UINT RegisterWindowMessageA(const char* name);

DWORD GetCurrentThreadId();
// Milliseconds of the message core's clock, wrapping at 32 bits.
DWORD GetTickCount();
void Sleep(DWORD ms);
// Only nCount 0 is supported: waits up to ms for input to the calling thread's queue (a posted message, a
// ready watched descriptor, a due timer). WAIT_OBJECT_0 when input is there, WAIT_TIMEOUT otherwise.
DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask);
BOOL WaitMessage();

}  // namespace win

// Exported with C linkage: the stand-in archiver libraries reach the host's one message core through it.
// Same thread: a direct call. Another thread: queued ahead of posted messages, the caller waits for the result.
// An exception thrown by the procedure goes to the application's exception handler; the result is then 0.
extern "C" win::LRESULT SendMessageA(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
namespace win {
using ::SendMessageA;
}
