// Asynchronous select and asynchronous lookups: what is posted to the window, how often, and when.
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/winsock/HostLookup.h"
#include "tests/platform/winsock/WinSockFixture.h"
#include "tests/support/PeerProcess.h"

namespace tarvo::test {
namespace {

using namespace win;

class AsyncSelect : public WinSockTest {
protected:
    MessageSink sink;

    SOCKET AsyncClient(int port) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_EQ(WSAAsyncSelect(s, sink.Handle(), kSelectMsg, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
        sockaddr_in a = Loopback(port);
        int rc = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        EXPECT_TRUE(rc == 0 || WSAGetLastError() == WSAEWOULDBLOCK);
        return s;
    }

    // A listener, an asynchronous client connected to it and the server's end, accepted.
    void AcceptedSession(SOCKET& listener, SOCKET& client, SOCKET& server) {
        int port = 0;
        listener = Listener(port);
        client = AsyncClient(port);
        server = accept(listener, nullptr, nullptr);
    }
};

TEST_F(AsyncSelect, ConnectThenWriteOnceThenReadOnceUntilRecvThenCloseOnce) {
    SOCKET listener, client, server;
    AcceptedSession(listener, client, server);
    ASSERT_NE(server, INVALID_SOCKET);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_WRITE) == 1; }));
    auto events = sink.EventsFor(client);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(static_cast<int>(FD_CONNECT), 0));
    EXPECT_EQ(events[1], std::make_pair(static_cast<int>(FD_WRITE), 0));

    ASSERT_EQ(send(server, "hello", 5, 0), 5);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_READ) == 1; }));
    ASSERT_EQ(send(server, "world", 5, 0), 5);
    PumpPending();
    EXPECT_EQ(sink.Count(client, FD_READ), 1);  // not again before the next recv
    char buf[3];
    ASSERT_EQ(recv(client, buf, sizeof buf, 0), 3);  // bytes are left: re-enabled and posted again
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_READ) == 2; }));
    char rest[32];
    ASSERT_EQ(recv(client, rest, sizeof rest, 0), 7);
    closesocket(server);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_CLOSE) == 1; }));
    EXPECT_EQ(sink.EventsFor(client).back(), std::make_pair(static_cast<int>(FD_CLOSE), 0));
    PumpPending();
    EXPECT_EQ(sink.Count(client, FD_CLOSE), 1);
    EXPECT_EQ(sink.Count(client, FD_READ), 2);
    closesocket(client);
    closesocket(listener);
}

TEST_F(AsyncSelect, CloseWaitsUntilNoDataIsLeft) {
    SOCKET listener, client, server;
    AcceptedSession(listener, client, server);
    ASSERT_EQ(send(server, "last words", 10, 0), 10);
    closesocket(server);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_READ) == 1; }));
    PumpPending();
    EXPECT_EQ(sink.Count(client, FD_CLOSE), 0);
    char buf[32];
    ASSERT_EQ(recv(client, buf, sizeof buf, 0), 10);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_CLOSE) == 1; }));
    closesocket(client);
    closesocket(listener);
}

TEST_F(AsyncSelect, RefusedConnectGivesOneConnectEventWithTheError) {
    RefusingLoopbackPort refusing;
    SOCKET client = AsyncClient(refusing.Port());
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_CONNECT) == 1; }));
    PumpPending();
    auto events = sink.EventsFor(client);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].second, WSAECONNREFUSED);
    closesocket(client);
}

TEST_F(AsyncSelect, ResetReportsConnectionResetWithTheClose) {
    SOCKET listener, client, server;
    AcceptedSession(listener, client, server);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_WRITE) == 1; }));
    linger l{1, 0};
    setsockopt(server, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    closesocket(server);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_CLOSE) == 1; }));
    EXPECT_EQ(sink.EventsFor(client).back().second, WSAECONNRESET);
    closesocket(client);
    closesocket(listener);
}

TEST_F(AsyncSelect, AcceptIsPostedUntilAcceptedAndTheNewSocketInheritsTheSelect) {
    int port = 0;
    SOCKET listener = Listener(port);
    ASSERT_EQ(WSAAsyncSelect(listener, sink.Handle(), kSelectMsg, FD_ACCEPT | FD_READ | FD_WRITE | FD_CLOSE), 0);
    SOCKET a = Connected(port);
    SOCKET b = Connected(port);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(listener, FD_ACCEPT) == 1; }));
    PumpPending();
    EXPECT_EQ(sink.Count(listener, FD_ACCEPT), 1);
    SOCKET first = accept(listener, nullptr, nullptr);
    ASSERT_NE(first, INVALID_SOCKET);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(listener, FD_ACCEPT) == 2; }));
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(first, FD_WRITE) == 1; }));
    ASSERT_EQ(send(a, "x", 1, 0), 1);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(first, FD_READ) == 1; }));
    for (SOCKET s : {a, b, first, listener})
        closesocket(s);
}

TEST_F(AsyncSelect, ShortSendBringsWriteBackWhenThereIsRoom) {
    SOCKET listener, client, server;
    AcceptedSession(listener, client, server);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_WRITE) == 1; }));
    std::string block(1 << 20, 'x');
    // Fill the send buffer until a send takes less than the block.
    int rc = 0;
    for (int i = 0; i < 200 && (rc = send(client, block.data(), static_cast<int>(block.size()), 0)) ==
                                   static_cast<int>(block.size());
         ++i) {
    }
    ASSERT_TRUE(rc >= 0 || WSAGetLastError() == WSAEWOULDBLOCK);
    PumpPending();
    EXPECT_EQ(sink.Count(client, FD_WRITE), 1);  // still full: nothing yet
    std::thread reader([&] {
        char buf[65536];
        for (int i = 0; i < 1000 && recv(server, buf, sizeof buf, 0) > 0; ++i) {
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_WRITE) == 2; }));
    shutdown(client, SD_SEND);
    reader.join();
    for (SOCKET s : {client, server, listener})
        closesocket(s);
}

TEST_F(AsyncSelect, ClosingASocketDropsItsQueuedNotifications) {
    int port = 0;
    SOCKET listener = Listener(port);
    SOCKET client = AsyncClient(port);
    SOCKET other = AsyncClient(port);
    SOCKET server = accept(listener, nullptr, nullptr);
    SOCKET server2 = accept(listener, nullptr, nullptr);
    // Wait for the notifications to be queued without dispatching them.
    MSG m;
    for (int i = 0;
         i < 500 && !(PeekMessageA(&m, sink.Handle(), kSelectMsg, kSelectMsg, PM_NOREMOVE) && m.wParam == client); ++i)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    closesocket(client);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(other, FD_WRITE) == 1; }));
    EXPECT_TRUE(sink.EventsFor(client).empty());
    for (SOCKET s : {other, server, server2, listener})
        closesocket(s);
}

TEST_F(AsyncSelect, LookupIsPostedBackWithTheEntryInTheCallersBuffer) {
    alignas(8) char buf[MAXGETHOSTSTRUCT];
    HANDLE h = WSAAsyncGetHostByName(sink.Handle(), kLookupMsg, "localhost", buf, sizeof buf);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(PumpUntil([&] { return !sink.messages.empty(); }));
    const MSG& reply = sink.messages[0];
    EXPECT_EQ(reply.message, kLookupMsg);
    EXPECT_EQ(reply.wParam, h);
    EXPECT_EQ(WSAGETASYNCERROR(reply.lParam), 0);
    auto* entry = reinterpret_cast<hostent*>(buf);
    ASSERT_NE(entry->h_addr_list[0], nullptr);
    win::u_long ip;
    std::memcpy(&ip, entry->h_addr_list[0], 4);
    EXPECT_EQ(ip, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(WSACancelAsyncRequest(h), SOCKET_ERROR);  // finished already
    EXPECT_EQ(WSAGetLastError(), WSAEALREADY);

    char tiny[16];
    h = WSAAsyncGetHostByName(sink.Handle(), kLookupMsg, "localhost", tiny, sizeof tiny);
    ASSERT_TRUE(PumpUntil([&] { return sink.messages.size() == 2; }));
    EXPECT_EQ(WSAGETASYNCERROR(sink.messages[1].lParam), WSAENOBUFS);
    EXPECT_GT(WSAGETASYNCBUFLEN(sink.messages[1].lParam), sizeof tiny);
}

TEST_F(AsyncSelect, CancelledLookupIsNeverPostedNorWritten) {
    std::mutex lock;
    std::condition_variable cv;
    bool started = false;
    bool release = false;
    winsock::SetHostResolvers(
        [&](const std::string&, winsock::HostAnswer& a) {
            std::unique_lock<std::mutex> guard(lock);
            started = true;
            cv.notify_all();
            cv.wait_for(guard, std::chrono::seconds(20), [&] { return release; });
            a.name = "slow.test";
            a.addresses = {htonl(0x7F000001)};
            return 0;
        },
        nullptr);
    alignas(8) char buf[MAXGETHOSTSTRUCT];
    std::memset(buf, 0x5A, sizeof buf);
    HANDLE h = WSAAsyncGetHostByName(sink.Handle(), kLookupMsg, "slow.test", buf, sizeof buf);
    ASSERT_NE(h, 0u);
    {
        std::unique_lock<std::mutex> guard(lock);
        ASSERT_TRUE(cv.wait_for(guard, std::chrono::seconds(20), [&] { return started; }));
    }
    EXPECT_EQ(WSACancelAsyncRequest(h), 0);
    {
        std::lock_guard<std::mutex> guard(lock);
        release = true;
    }
    cv.notify_all();
    // A second lookup behind the first proves the worker has finished; the first never answers.
    HANDLE second = WSAAsyncGetHostByName(sink.Handle(), kLookupMsg, "slow.test", buf + 512, 512);
    ASSERT_TRUE(PumpUntil([&] { return !sink.messages.empty(); }));
    PumpPending();
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].wParam, second);
    EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0x5A);
}

}  // namespace
}  // namespace tarvo::test
