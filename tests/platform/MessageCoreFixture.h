#pragma once
// Helpers of the message core tests: windows whose messages go to a function, a clock the test moves, a
// thread with its own message loop, and the fixture that leaves the test thread's queue clean.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <thread>

#include "platform/win/MessageLoop.h"
#include "tests/support/ManualClock.h"

namespace tarvo::test {

// A window of the tests' class; its messages go to the handler (DefWindowProcA without one). Destroyed with
// the object when still alive.
class TestWindow {
public:
    using Handler = std::function<win::LRESULT(win::HWND, win::UINT, win::WPARAM, win::LPARAM)>;
    explicit TestWindow(Handler handler = {});
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    win::HWND hwnd() const { return hwnd_; }
    // The class's window procedure.
    static win::LRESULT Proc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

private:
    Handler handler_;
    win::HWND hwnd_ = 0;
};

// A thread that pumps its own queue until stopped; Run executes a function on it and waits for the end.
class Worker {
public:
    Worker();
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    win::DWORD id() const { return id_; }
    pid_t tid() const { return tid_; }
    void Run(std::function<void()> task);
    void Stop();

private:
    void Loop();
    std::thread thread_;
    win::DWORD id_ = 0;
    pid_t tid_ = 0;
};

// Returns once the kernel reports the thread asleep (blocked in a wait), or after a bounded number of looks.
// Only orders a test's steps; nothing is asserted on it.
void WaitUntilAsleep(pid_t tid);

class MessageCoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace tarvo::test
