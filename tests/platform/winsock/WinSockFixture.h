#pragma once
// What the WinSock stand-in's tests share: WinSock started for the test, a window that records the
// notifications posted to it, and a few loopback helpers over the entries.

#include <gtest/gtest.h>

#include <vector>

#include "platform/win/Messages.h"
#include "platform/winsock/WinSock.h"
#include "tests/support/MessagePump.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

// A hidden window on the test's thread that keeps every message it receives.
class MessageSink {
public:
    MessageSink();
    ~MessageSink();
    win::HWND Handle() const { return hwnd_; }
    std::vector<win::MSG> messages;
    // The select notifications for socket s, as (event, error) pairs.
    std::vector<std::pair<int, int>> EventsFor(win::SOCKET s) const;
    int Count(win::SOCKET s, long event) const;

private:
    win::HWND hwnd_ = 0;
};

class WinSockTest : public TarvoTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A listening TCP socket on 127.0.0.1 and its port.
    win::SOCKET Listener(int& port);
    win::sockaddr_in Loopback(int port);
    // Binds s to a free port on 127.0.0.1; where it is bound.
    win::sockaddr_in BindLoopback(win::SOCKET s);
    // A blocking client connected to port.
    win::SOCKET Connected(int port);
};

constexpr win::UINT kSelectMsg = win::WM_USER + 1;
constexpr win::UINT kLookupMsg = win::WM_USER + 2;

}  // namespace tarvo::test
