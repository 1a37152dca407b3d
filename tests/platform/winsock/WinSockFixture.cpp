#include "tests/platform/winsock/WinSockFixture.h"

#include "platform/winsock/HostLookup.h"

namespace tarvo::test {

namespace {

MessageSink* current = nullptr;

win::LRESULT SinkProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (current && hwnd == current->Handle())
        current->messages.push_back(win::MSG{hwnd, msg, wParam, lParam, 0});
    return 0;
}

}  // namespace

MessageSink::MessageSink() {
    win::WNDCLASSA wc;
    wc.lpfnWndProc = SinkProc;
    wc.hInstance = win::GetModuleInstance();
    wc.lpszClassName = "TestMessageSink";
    win::WNDCLASSA existing;
    if (!win::GetClassInfoA(wc.hInstance, wc.lpszClassName, &existing))
        win::RegisterClassA(&wc);
    hwnd_ = win::CreateWindowExA(0, "TestMessageSink", "", 0, 0, 0, 0, 0, 0, 0, wc.hInstance, nullptr);
    current = this;
}

MessageSink::~MessageSink() {
    current = nullptr;
    win::DestroyWindow(hwnd_);
}

std::vector<std::pair<int, int>> MessageSink::EventsFor(win::SOCKET s) const {
    std::vector<std::pair<int, int>> events;
    for (const auto& m : messages)
        if (m.message == kSelectMsg && m.wParam == s)
            events.emplace_back(win::WSAGETSELECTEVENT(m.lParam), win::WSAGETSELECTERROR(m.lParam));
    return events;
}

int MessageSink::Count(win::SOCKET s, long event) const {
    int n = 0;
    for (const auto& [e, error] : EventsFor(s))
        n += e == event;
    return n;
}

void WinSockTest::SetUp() {
    TarvoTest::SetUp();
    win::WSADATA data;
    ASSERT_EQ(win::WSAStartup(0x0101, &data), 0);
}

void WinSockTest::TearDown() {
    win::winsock::SetHostResolvers(nullptr, nullptr);
    win::WSACleanup();
    PumpPending(1);
    TarvoTest::TearDown();
}

win::sockaddr_in WinSockTest::Loopback(int port) {
    win::sockaddr_in a{};
    a.sin_family = win::AF_INET;
    a.sin_port = win::htons(static_cast<win::u_short>(port));
    a.sin_addr.s_addr = win::htonl(win::INADDR_LOOPBACK);
    return a;
}

win::sockaddr_in WinSockTest::BindLoopback(win::SOCKET s) {
    win::sockaddr_in a = Loopback(0);
    EXPECT_EQ(win::bind(s, reinterpret_cast<win::sockaddr*>(&a), sizeof a), 0);
    int len = sizeof a;
    EXPECT_EQ(win::getsockname(s, reinterpret_cast<win::sockaddr*>(&a), &len), 0);
    return a;
}

win::SOCKET WinSockTest::Listener(int& port) {
    win::SOCKET s = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    port = win::ntohs(BindLoopback(s).sin_port);
    EXPECT_EQ(win::listen(s, 5), 0);
    return s;
}

win::SOCKET WinSockTest::Connected(int port) {
    win::SOCKET s = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    win::sockaddr_in a = Loopback(port);
    EXPECT_EQ(win::connect(s, reinterpret_cast<win::sockaddr*>(&a), sizeof a), 0);
    return s;
}

}  // namespace tarvo::test
