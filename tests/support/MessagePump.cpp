#include "tests/support/MessagePump.h"

#include <chrono>
#include <thread>

#include "platform/win/MessageLoop.h"
#include "platform/win/Messages.h"

namespace tarvo::test {

bool PumpUntil(const std::function<bool()>& done, int maxMs) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        win::Application::ProcessMessages();
        if (done())
            return true;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() > maxMs)
            return done();
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT);
    }
}

void PumpPending(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        win::Application::ProcessMessages();
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 10, win::QS_ALLINPUT);
    }
    win::Application::ProcessMessages();
}

bool WaitQueued(win::HWND Window, win::UINT Msg, int maxMs) {
    win::MSG msg;
    for (int waited = 0; waited <= maxMs; waited += 5) {
        if (win::PeekMessageA(&msg, Window, Msg, Msg, win::PM_NOREMOVE))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace tarvo::test
