#include "tests/platform/MessageCoreFixture.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <mutex>
#include <string>

#include "tests/platform/MessageTestBackend.h"

namespace tarvo::test {

namespace {

constexpr const char* kTestClass = "MessageCoreTestWindow";
constexpr win::UINT kRunTask = win::WM_APP + 0x3FF;
constexpr auto kTaskLimit = std::chrono::seconds(60);

struct Task {
    std::function<void()> fn;
    std::promise<void> done;
};

void RegisterTestClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        win::WNDCLASSA wc;
        wc.lpfnWndProc = &TestWindow::Proc;
        wc.hInstance = win::GetModuleInstance();
        wc.lpszClassName = kTestClass;
        ASSERT_NE(win::RegisterClassA(&wc), 0);
    });
}

}  // namespace

TestWindow::TestWindow(Handler handler) : handler_(std::move(handler)) {
    RegisterTestClass();
    hwnd_ = win::CreateWindowExA(0, kTestClass, "", 0, 0, 0, 0, 0, 0, 0, win::GetModuleInstance(), this);
}

TestWindow::~TestWindow() {
    if (win::IsWindow(hwnd_))
        win::DestroyWindow(hwnd_);
}

win::LRESULT TestWindow::Proc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_CREATE) {
        auto* cs = reinterpret_cast<win::CREATESTRUCTA*>(lParam);
        win::SetWindowLongPtrA(hwnd, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(win::GetWindowLongPtrA(hwnd, win::GWLP_USERDATA));
    if (!self || !self->handler_)
        return win::DefWindowProcA(hwnd, msg, wParam, lParam);
    return self->handler_(hwnd, msg, wParam, lParam);
}

Worker::Worker() {
    std::promise<std::pair<win::DWORD, pid_t>> started;
    auto ids = started.get_future();
    thread_ = std::thread([this, &started] {
        started.set_value({win::GetCurrentThreadId(), gettid()});
        Loop();
    });
    std::tie(id_, tid_) = ids.get();
}

Worker::~Worker() {
    Stop();
}

void Worker::Loop() {
    win::MSG msg;
    while (win::GetMessageA(&msg, 0, 0, 0) > 0) {
        if (msg.hwnd == 0 && msg.message == kRunTask) {
            std::unique_ptr<std::shared_ptr<Task>> task(reinterpret_cast<std::shared_ptr<Task>*>(msg.lParam));
            (*task)->fn();
            (*task)->done.set_value();
        } else {
            win::DispatchMessageA(&msg);
        }
    }
}

void Worker::Run(std::function<void()> fn) {
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    auto done = task->done.get_future();
    auto* carried = new std::shared_ptr<Task>(task);
    if (!win::PostThreadMessageA(id_, kRunTask, 0, reinterpret_cast<win::LPARAM>(carried))) {
        delete carried;
        FAIL() << "the worker's queue is gone";
    }
    ASSERT_EQ(done.wait_for(kTaskLimit), std::future_status::ready) << "the worker did not run the task";
}

void Worker::Stop() {
    if (!thread_.joinable())
        return;
    win::PostThreadMessageA(id_, win::WM_QUIT, 0, 0);
    thread_.join();
}

void WaitUntilAsleep(pid_t tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    for (int look = 0; look < 2000; ++look) {
        std::ifstream in(path);
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto end = stat.rfind(')');
        if (end == std::string::npos)
            return;  // the thread is gone
        if (stat.compare(end, 3, ") S") == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void MessageCoreTest::SetUp() {
    InstallMessageTestBackend();
}

void MessageCoreTest::TearDown() {
    win::MSG msg;
    for (int i = 0; i < 100000 && win::PeekMessageA(&msg, 0, 0, 0, win::PM_REMOVE); ++i) {
    }
    win::SetClock(nullptr);
    win::Application::ResetTerminated();
    win::Application::SetExceptionHandler(nullptr);
}

}  // namespace tarvo::test
