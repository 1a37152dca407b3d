// The class library's side of the message core: utility windows and the Application object.
#include "platform/win/MessageLoop.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/rtl/SysUtils.h"
#include "platform/win/MessagesCore.h"

namespace win {

namespace {

constexpr const char* kUtilWindowClass = "TPUtilWindow";

LRESULT UtilWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWndMethod* method = nullptr;
    {
        // The call that brought us here holds the record, so the method outlives this call even when it
        // deallocates its own window.
        std::lock_guard lock(detail::TheCore().mutex);
        if (auto w = detail::FindWindowLocked(hwnd))
            method = static_cast<TWndMethod*>(w->attachment.get());
    }
    if (!method)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    (*method)(message);
    return message.Result;
}

struct AppState {
    std::atomic<bool> terminated{false};
    std::mutex mutex;
    std::string title;
    Application::ExceptionHandler handler;
};

AppState& App() {
    static AppState* app = new AppState;  // used by loops that may run during static destruction
    return *app;
}

void WriteToStderr(const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    std::fflush(stderr);
}

void Report(const Application::ExceptionHandler& handler, const std::exception& e) {
    if (!handler) {
        WriteToStderr(e);
        return;
    }
    try {
        handler(e);
    } catch (const std::exception& inner) {
        WriteToStderr(inner);
    } catch (...) {
        WriteToStderr(Exception("Exception in the exception handler"));
    }
}

// Takes one message off the calling thread's queue and dispatches it; false when there was none.
bool ProcessOneMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        App().terminated = true;
    } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSA wc;
        wc.lpfnWndProc = UtilWindowProc;
        wc.hInstance = GetModuleInstance();
        wc.lpszClassName = kUtilWindowClass;
        RegisterClassA(&wc);
    });
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, 0, 0, GetModuleInstance(),
                                nullptr);
    if (hwnd == 0)
        return 0;
    auto attachment = std::make_shared<TWndMethod>(std::move(method));
    std::lock_guard lock(detail::TheCore().mutex);
    detail::FindWindowLocked(hwnd)->attachment = std::move(attachment);
    return hwnd;
}

void DeallocateHWnd(HWND hwnd) {
    // As the class library does: the method sees no WM_DESTROY of its own window.
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    DestroyWindow(hwnd);
}

void Application::ProcessMessages() {
    detail::ThreadState& me = detail::CurrentThread();
    for (;;) {
        // Each pass takes only what was there when it began, so that inputs and the backend's own events
        // get their turn between passes even while a message keeps posting itself.
        PollInputs();
        std::shared_ptr<MessageBackend> backend;
        {
            std::lock_guard lock(detail::TheCore().mutex);
            backend = me.backend;
        }
        backend->ProcessPendingEvents();
        size_t pending;
        {
            std::lock_guard lock(detail::TheCore().mutex);
            pending = detail::PendingCountLocked(me);
        }
        if (pending == 0)
            return;
        for (size_t i = 0; i < pending && ProcessOneMessage(); ++i) {
        }
    }
}

void Application::HandleMessage() {
    if (ProcessOneMessage())
        return;
    WaitMessage();
    ProcessOneMessage();
}

void Application::Run() {
    while (!Terminated())
        HandleMessage();
}

bool Application::Terminated() {
    return App().terminated;
}

void Application::Terminate() {
    PostQuitMessage(0);
    App().terminated = true;
}

void Application::ResetTerminated() {
    detail::ThreadState& me = detail::CurrentThread();
    App().terminated = false;
    std::lock_guard lock(detail::TheCore().mutex);
    std::erase_if(me.posted, [](const MSG& m) { return m.message == WM_QUIT; });
}

const std::string& Application::Title() {
    return App().title;
}

void Application::SetTitle(std::string title) {
    App().title = std::move(title);
}

void Application::SetExceptionHandler(ExceptionHandler handler) {
    AppState& app = App();
    std::lock_guard lock(app.mutex);
    app.handler = std::move(handler);
}

void Application::HandleException(std::exception_ptr e) {
    if (!e)
        return;
    ExceptionHandler handler;
    {
        AppState& app = App();
        std::lock_guard lock(app.mutex);
        handler = app.handler;
    }
    try {
        std::rethrow_exception(e);
    } catch (const EAbort&) {
        // the silent exception: it only ends what raised it
    } catch (const std::exception& ex) {
        Report(handler, ex);
    } catch (...) {
        Report(handler, Exception("Exception of an unknown type"));
    }
}

}  // namespace win
