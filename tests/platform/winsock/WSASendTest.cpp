// WSASend, the gathered send: buffers go out in order as one send, a short one brings FD_WRITE back, a
// datagram carries all of them, and what the stand-in does not offer is refused with WinSock's codes.
#include <string>
#include <thread>

#include "platform/win/Modules.h"
#include "tests/platform/winsock/WinSockFixture.h"

namespace tarvo::test {
namespace {

using namespace win;

class WSASendTest : public WinSockTest {
protected:
    // Reads from s until n bytes came or the connection ended.
    static std::string ReceiveExactly(SOCKET s, size_t n) {
        std::string got;
        char buf[65536];
        while (got.size() < n) {
            int r = recv(s, buf, sizeof buf, 0);
            if (r <= 0)
                break;
            got.append(buf, static_cast<size_t>(r));
        }
        return got;
    }
};

TEST(WinSockModules, OnlyWs2HasWSASend) {
    HMODULE ws1 = LoadLibraryA("wsock32.dll");
    HMODULE ws2 = LoadLibraryA("ws2_32.dll");
    EXPECT_EQ(GetProcAddress(ws1, "WSASend"), nullptr);
    EXPECT_EQ(GetProcAddress(ws2, "WSASend"), reinterpret_cast<FARPROC>(&win::WSASend));
    FreeLibrary(ws1);
    FreeLibrary(ws2);
}

TEST_F(WSASendTest, BuffersArriveInOrderAsOneStream) {
    int port = 0;
    SOCKET listener = Listener(port);
    SOCKET client = Connected(port);
    SOCKET server = accept(listener, nullptr, nullptr);
    std::string parts[] = {RandomBytes(70000, 1), "", RandomBytes(1460, 2), RandomBytes(200001, 3)};
    std::string whole = parts[0] + parts[1] + parts[2] + parts[3];
    WSABUF buffers[4];
    for (int i = 0; i < 4; ++i)
        buffers[i] = {static_cast<win::u_long>(parts[i].size()), parts[i].data()};
    std::string got;
    std::thread reader([&] { got = ReceiveExactly(server, whole.size()); });
    DWORD sent = 0;
    EXPECT_EQ(WSASend(client, buffers, 4, &sent, 0, nullptr, nullptr), 0);  // blocking: everything is taken
    reader.join();
    EXPECT_EQ(sent, whole.size());
    EXPECT_TRUE(got == whole);
    for (SOCKET s : {client, server, listener})
        closesocket(s);
}

TEST_F(WSASendTest, AShortSendReportsWhatWasTakenAndBringsWriteBack) {
    MessageSink sink;
    int port = 0;
    SOCKET listener = Listener(port);
    SOCKET client = Connected(port);
    SOCKET server = accept(listener, nullptr, nullptr);
    ASSERT_EQ(WSAAsyncSelect(client, sink.Handle(), kSelectMsg, FD_WRITE), 0);  // now non-blocking
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_WRITE) == 1; }));
    std::string block = RandomBytes(1 << 20, 4);
    WSABUF buffers[8];
    for (WSABUF& b : buffers)
        b = {static_cast<win::u_long>(block.size()), block.data()};
    DWORD sent = 0;
    uint64_t taken = 0;
    int rc = 0;
    for (int i = 0; i < 20 && (rc = WSASend(client, buffers, 8, &sent, 0, nullptr, nullptr)) == 0 && sent == 8u << 20;
         ++i)
        taken += sent;
    ASSERT_TRUE(rc == 0 || WSAGetLastError() == WSAEWOULDBLOCK);
    if (rc == 0) {
        EXPECT_LT(sent, 8u << 20);  // the loop ended on a short send
        taken += sent;
    }
    PumpPending();
    EXPECT_EQ(sink.Count(client, FD_WRITE), 1);  // still full: nothing yet
    std::string got;
    std::thread reader([&] { got = ReceiveExactly(server, taken); });
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(client, FD_WRITE) == 2; }));
    reader.join();
    ASSERT_EQ(got.size(), taken);
    for (uint64_t at = 0; at < taken; at += block.size()) {  // the block over and over, nothing lost between calls
        size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), taken - at));
        ASSERT_EQ(got.compare(at, n, block, 0, n), 0) << "at " << at;
    }
    for (SOCKET s : {client, server, listener})
        closesocket(s);
}

TEST_F(WSASendTest, ADatagramCarriesEveryBuffer) {
    SOCKET a = socket(AF_INET, SOCK_DGRAM, 0);
    SOCKET b = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr = BindLoopback(b);
    ASSERT_EQ(connect(a, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    char head[] = "data";
    char tail[] = "gram";
    WSABUF buffers[] = {{4, head}, {4, tail}};
    DWORD sent = 0;
    EXPECT_EQ(WSASend(a, buffers, 2, &sent, 0, nullptr, nullptr), 0);
    EXPECT_EQ(sent, 8u);
    char buf[16];
    ASSERT_EQ(recv(b, buf, sizeof buf, 0), 8);
    EXPECT_EQ(std::string(buf, 8), "datagram");
    closesocket(a);
    closesocket(b);
}

TEST_F(WSASendTest, RefusalsCarryWinSockCodes) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    char byte = 'x';
    WSABUF one{1, &byte};
    DWORD sent = 7;
    EXPECT_EQ(WSASend(s, &one, 1, &sent, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    int overlapped = 0;
    EXPECT_EQ(WSASend(s, &one, 1, &sent, 0, &overlapped, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEOPNOTSUPP);
    EXPECT_EQ(WSASend(s, &one, 1, nullptr, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    WSABUF missing{5, nullptr};
    EXPECT_EQ(WSASend(s, &missing, 1, &sent, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    EXPECT_EQ(sent, 7u);  // untouched by a failure
    closesocket(s);
    EXPECT_EQ(WSASend(s, &one, 1, &sent, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

}  // namespace
}  // namespace tarvo::test
