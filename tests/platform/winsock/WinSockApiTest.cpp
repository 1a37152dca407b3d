// The entries of the WinSock stand-in called directly: start-up, ids, blocking transfer, options,
// databases and dotted addresses.
#include <cstring>
#include <string>

#include "platform/win/Modules.h"
#include "platform/winsock/HostLookup.h"
#include "tests/platform/winsock/WinSockFixture.h"
#include "tests/support/PeerProcess.h"

namespace tarvo::test {
namespace {

using namespace win;

TEST(WinSockStartup, EveryEntryFailsBeforeStartupAndAfterTheLastCleanup) {
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(gethostbyname("localhost"), nullptr);
    EXPECT_EQ(WSAGetLastError(), 10093);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);

    WSADATA data;
    EXPECT_EQ(WSAStartup(0x0000, &data), WSAVERNOTSUPPORTED);
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(data.wHighVersion, 0x0202);
    ASSERT_EQ(WSAStartup(0x0303, &data), 0);  // above what is offered: the highest version
    EXPECT_EQ(data.wVersion, 0x0202);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), 0);  // the last one closes what is left
    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST(WinSockStartup, ErrorCodesAreKeptPerThread) {
    WSASetLastError(WSAECONNRESET);
    int other = -1;
    std::thread([&] {
        WSASetLastError(WSAEWOULDBLOCK);
        other = WSAGetLastError();
    }).join();
    EXPECT_EQ(other, WSAEWOULDBLOCK);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

TEST(WinSockModules, BothNamesAreBuiltInAndOnlyWs2HasWSAIoctl) {
    HMODULE ws1 = LoadLibraryA("WSOCK32.DLL");
    HMODULE ws2 = LoadLibraryA("ws2_32.dll");
    ASSERT_NE(ws1, 0u);
    ASSERT_NE(ws2, 0u);
    EXPECT_EQ(GetProcAddress(ws1, "send"), reinterpret_cast<FARPROC>(&win::send));
    EXPECT_EQ(GetProcAddress(ws1, "WSAIoctl"), nullptr);
    EXPECT_EQ(GetProcAddress(ws2, "WSAIoctl"), reinterpret_cast<FARPROC>(&win::WSAIoctl));
    FreeLibrary(ws1);
    FreeLibrary(ws2);
}

class WinSockApi : public WinSockTest {};

TEST_F(WinSockApi, SocketIdsAreNeverReusedAndNeverDescriptors) {
    SOCKET a = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(closesocket(a), 0);
    SOCKET b = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(a, b);  // the descriptor number is reused at once; the id is not
    EXPECT_GE(b, 0x100u);
    EXPECT_EQ(send(a, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(closesocket(b), 0);
    EXPECT_EQ(socket(AF_INET6, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
}

TEST_F(WinSockApi, BlockingTransferBothWaysAndOrderlyClose) {
    int port = 0;
    SOCKET listener = Listener(port);
    SOCKET client = Connected(port);
    sockaddr_in peer{};
    int len = sizeof peer;
    SOCKET server = accept(listener, reinterpret_cast<sockaddr*>(&peer), &len);
    ASSERT_NE(server, INVALID_SOCKET);
    EXPECT_EQ(std::string(inet_ntoa(peer.sin_addr)), "127.0.0.1");
    std::string payload = RandomBytes(300000, 7);
    std::thread writer([&] { EXPECT_EQ(send(client, payload.data(), static_cast<int>(payload.size()), 0), 300000); });
    std::string got;
    char buf[8192];
    while (got.size() < payload.size()) {
        int n = recv(server, buf, sizeof buf, 0);
        ASSERT_GT(n, 0);
        got.append(buf, static_cast<size_t>(n));
    }
    writer.join();
    EXPECT_EQ(got, payload);
    EXPECT_EQ(shutdown(client, SD_SEND), 0);
    EXPECT_EQ(recv(server, buf, sizeof buf, 0), 0);
    for (SOCKET s : {client, server, listener})
        EXPECT_EQ(closesocket(s), 0);
}

TEST_F(WinSockApi, RefusedConnectionAndUnconnectedUseGiveWinSockCodes) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    char c;
    EXPECT_EQ(recv(s, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    EXPECT_EQ(send(s, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    RefusingLoopbackPort refusing;
    sockaddr_in a = Loopback(refusing.Port());
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    EXPECT_EQ(listen(s, 5), SOCKET_ERROR);  // WinSock wants a bind before listen
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    closesocket(s);
}

TEST_F(WinSockApi, AddressInUseIs10048) {
    int port = 0;
    SOCKET first = Listener(port);
    SOCKET second = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(port);
    EXPECT_EQ(bind(second, reinterpret_cast<sockaddr*>(&a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    closesocket(second);
    closesocket(first);
}

TEST_F(WinSockApi, OptionsMapOntoTheSystemsOwn) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    linger l{1, 0};
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l), 0);
    linger back{};
    int len = sizeof back;
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&back), &len), 0);
    EXPECT_EQ(back.l_onoff, 1);
    EXPECT_EQ(back.l_linger, 0);

    int on = -1;  // any non-zero value is TRUE
    ASSERT_EQ(setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on), 0);
    int value = 0;
    len = sizeof value;
    ASSERT_EQ(getsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 1);

    tcp_keepalive k{1, 7500, 2000};
    DWORD returned = 99;
    ASSERT_EQ(WSAIoctl(s, SIO_KEEPALIVE_VALS, &k, sizeof k, nullptr, 0, &returned, nullptr, nullptr), 0);
    len = sizeof value;
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(getsockopt(s, IPPROTO_TCP, TCP_KEEPIDLE, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 8);  // milliseconds rounded up to whole seconds
    ASSERT_EQ(getsockopt(s, IPPROTO_TCP, TCP_KEEPINTVL, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 2);

    EXPECT_EQ(getsockopt(s, SOL_SOCKET, 0x7777, reinterpret_cast<char*>(&value), &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    short tiny = 0;
    len = sizeof tiny;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&tiny), &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    // Receiving every packet of an interface is not offered here.
    DWORD one = 1;
    EXPECT_EQ(WSAIoctl(s, SIO_RCVALL, &one, sizeof one, nullptr, 0, &returned, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    closesocket(s);
    SOCKET raw = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (raw != INVALID_SOCKET) {
        EXPECT_EQ(WSAIoctl(raw, SIO_RCVALL, &one, sizeof one, nullptr, 0, &returned, nullptr, nullptr), SOCKET_ERROR);
        EXPECT_EQ(WSAGetLastError(), WSAEOPNOTSUPP);
        closesocket(raw);
    }
}

TEST_F(WinSockApi, DatagramsAndBroadcastOption) {
    SOCKET a = socket(AF_INET, SOCK_DGRAM, 0);
    SOCKET b = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr = BindLoopback(b);
    ASSERT_NE(addr.sin_port, 0);  // nothing would ever arrive
    int on = 1;
    EXPECT_EQ(setsockopt(a, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on), 0);
    EXPECT_EQ(sendto(a, "ping", 4, 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 4);
    char buf[16];
    sockaddr_in from{};
    int len = sizeof from;
    ASSERT_EQ(recvfrom(b, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(from.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    ip_mreq m{};
    m.imr_multiaddr.s_addr = inet_addr("239.1.2.3");
    m.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
    int rc = setsockopt(b, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&m), sizeof m);
    if (rc != 0) {
        EXPECT_NE(WSAGetLastError(), 0);
    }  // a machine without multicast on loopback refuses it
    closesocket(a);
    closesocket(b);
}

TEST_F(WinSockApi, DottedAddressesBothWays) {
    EXPECT_EQ(inet_addr("127.0.0.1"), htonl(0x7F000001));
    EXPECT_EQ(inet_addr("10.1"), htonl(0x0A000001));
    EXPECT_EQ(inet_addr("0x7f.1"), htonl(0x7F000001));
    EXPECT_EQ(inet_addr("1.2.3.4 "), htonl(0x01020304));
    for (const char* bad : {"", "1.2.3.256", "1.2.3.4.5", "a.b.c.d", "1..2", "99999999999999999999", " 1.2.3.4"})
        EXPECT_EQ(inet_addr(bad), INADDR_NONE) << bad;
    EXPECT_EQ(inet_addr("255.255.255.255"), INADDR_NONE);  // the broadcast address has the failure's value
    in_addr a{htonl(0xC0A80001)};
    EXPECT_STREQ(inet_ntoa(a), "192.168.0.1");
    EXPECT_EQ(htons(0x1234), 0x3412);
    EXPECT_EQ(ntohl(htonl(0x01020304)), 0x01020304u);
}

TEST_F(WinSockApi, ServicesFromTheMachineRootComeFirst) {
    WriteFile(sandbox().machine + "etc/services", "# test\nftp\t2121/tcp  fsp-alias\n");
    servent* s = getservbyname("ftp", "tcp");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(ntohs(static_cast<u_short>(s->s_port)), 2121);
    EXPECT_STREQ(s->s_proto, "tcp");
    s = getservbyname("fsp-alias", nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->s_name, "ftp");
    s = getservbyname("ssh", "tcp");  // not in the machine's file: the system's
    if (s) {
        EXPECT_EQ(ntohs(static_cast<u_short>(s->s_port)), 22);
    }
    EXPECT_EQ(getservbyname("no-such-service-here", "tcp"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
    protoent* p = getprotobyname("udp");
    if (p) {
        EXPECT_EQ(p->p_proto, 17);
    }
    EXPECT_EQ(getprotobyname("no-such-protocol"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
}

TEST_F(WinSockApi, HostLookupsThroughTheResolver) {
    hostent* h = gethostbyname("localhost");
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h->h_addr_list[0], nullptr);
    win::u_long ip;
    std::memcpy(&ip, h->h_addr_list[0], 4);
    EXPECT_EQ(ip, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(h->h_length, 4);

    winsock::SetHostResolvers(
        [](const std::string& name, winsock::HostAnswer& a) {
            if (name == "empty.test") {
                a.name = name;  // an entry without addresses
                return 0;
            }
            if (name == "again.test")
                return WSATRY_AGAIN;
            return WSAHOST_NOT_FOUND;
        },
        [](uint32_t, winsock::HostAnswer& a) {
            a.name = "peer.test";
            a.aliases = {"alias.test"};
            return 0;
        });
    EXPECT_EQ(gethostbyname("empty.test"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
    EXPECT_EQ(gethostbyname("again.test"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSATRY_AGAIN);
    EXPECT_EQ(gethostbyname("missing.test"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
    win::u_long addr = htonl(INADDR_LOOPBACK);
    h = gethostbyaddr(reinterpret_cast<const char*>(&addr), 4, AF_INET);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(h->h_name, "peer.test");
    EXPECT_STREQ(h->h_aliases[0], "alias.test");
    EXPECT_EQ(h->h_aliases[1], nullptr);
}

}  // namespace
}  // namespace tarvo::test
