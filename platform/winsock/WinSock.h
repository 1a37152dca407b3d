#pragma once
// The WinSock interface as the built-in modules "wsock32.dll" and "ws2_32.dll" offer it: types, constants
// and entry points with WinSock's signatures, values and error codes (WinSockErrors.h). Callers normally
// reach the entries through LoadLibraryA/GetProcAddress; the declarations give their types.
// A translation unit that includes the system's socket headers cannot include this one (the option names
// are macros there).

#include <cstddef>
#include <cstdint>

#include "platform/win/WinTypes.h"
#include "platform/winsock/WinSockErrors.h"

namespace win {

using SOCKET = uintptr_t;
using u_char = unsigned char;
using u_short = uint16_t;
using u_int = uint32_t;
using u_long = uint32_t;

constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;

struct in_addr {
    u_long s_addr;  // network byte order
};

struct sockaddr {
    u_short sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    short sin_family;
    u_short sin_port;  // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};

struct hostent {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};

struct servent {
    char* s_name;
    char** s_aliases;
    short s_port;  // network byte order
    char* s_proto;
};

struct protoent {
    char* p_name;
    char** p_aliases;
    short p_proto;
};

struct linger {
    u_short l_onoff;
    u_short l_linger;
};

struct timeval {
    int32_t tv_sec;
    int32_t tv_usec;
};

struct ip_mreq {
    in_addr imr_multiaddr;
    in_addr imr_interface;
};

struct WSABUF {
    u_long len;
    char* buf;
};

struct tcp_keepalive {
    u_long onoff;
    u_long keepalivetime;      // milliseconds
    u_long keepaliveinterval;  // milliseconds
};

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;
struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};

constexpr int MAXGETHOSTSTRUCT = 1024;

constexpr int AF_UNSPEC = 0;
constexpr int AF_INET = 2;
constexpr int AF_INET6 = 23;
constexpr int PF_INET = AF_INET;

constexpr int SOCK_STREAM = 1;
constexpr int SOCK_DGRAM = 2;
constexpr int SOCK_RAW = 3;

constexpr int IPPROTO_IP = 0;
constexpr int IPPROTO_ICMP = 1;
constexpr int IPPROTO_TCP = 6;
constexpr int IPPROTO_UDP = 17;
constexpr int IPPROTO_RAW = 255;

constexpr u_long INADDR_ANY = 0x00000000;
constexpr u_long INADDR_LOOPBACK = 0x7F000001;
constexpr u_long INADDR_BROADCAST = 0xFFFFFFFF;
constexpr u_long INADDR_NONE = 0xFFFFFFFF;

constexpr int SOMAXCONN = 5;

constexpr int SOL_SOCKET = 0xFFFF;
constexpr int SO_DEBUG = 0x0001;
constexpr int SO_ACCEPTCONN = 0x0002;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int SO_KEEPALIVE = 0x0008;
constexpr int SO_DONTROUTE = 0x0010;
constexpr int SO_BROADCAST = 0x0020;
constexpr int SO_USELOOPBACK = 0x0040;
constexpr int SO_LINGER = 0x0080;
constexpr int SO_OOBINLINE = 0x0100;
constexpr int SO_DONTLINGER = ~SO_LINGER;
constexpr int SO_SNDBUF = 0x1001;
constexpr int SO_RCVBUF = 0x1002;
constexpr int SO_SNDLOWAT = 0x1003;
constexpr int SO_RCVLOWAT = 0x1004;
constexpr int SO_SNDTIMEO = 0x1005;
constexpr int SO_RCVTIMEO = 0x1006;
constexpr int SO_ERROR = 0x1007;
constexpr int SO_TYPE = 0x1008;

constexpr int TCP_NODELAY = 0x0001;
constexpr int TCP_KEEPIDLE = 3;  // seconds
constexpr int TCP_KEEPCNT = 16;
constexpr int TCP_KEEPINTVL = 17;  // seconds

// The option numbers of WinSock 1.1, which "wsock32.dll" speaks.
constexpr int IP_MULTICAST_IF = 2;
constexpr int IP_MULTICAST_TTL = 3;
constexpr int IP_MULTICAST_LOOP = 4;
constexpr int IP_ADD_MEMBERSHIP = 5;
constexpr int IP_DROP_MEMBERSHIP = 6;
constexpr int IP_TTL = 7;
constexpr int IP_TOS = 8;

constexpr int MSG_OOB = 0x1;
constexpr int MSG_PEEK = 0x2;
constexpr int MSG_DONTROUTE = 0x4;

constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;

constexpr long FIONREAD = 0x4004667F;
constexpr long FIONBIO = static_cast<long>(0x8004667EL);
constexpr long SIOCATMARK = 0x40047307;
// This stand-in's own command (WinSock has none): the bytes given to a stream socket that its peer has not
// acknowledged yet, sent or still waiting in the system. It falls as the data leaves the machine.
constexpr long SIOCOUTQ = 0x4004737F;

constexpr DWORD SIO_RCVALL = 0x98000001;
constexpr DWORD SIO_KEEPALIVE_VALS = 0x98000004;

constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;

constexpr LPARAM WSAMAKEASYNCREPLY(WORD bufLen, WORD error) {
    return MAKELPARAM(bufLen, error);
}
constexpr LPARAM WSAMAKESELECTREPLY(WORD event, WORD error) {
    return MAKELPARAM(event, error);
}
constexpr WORD WSAGETASYNCBUFLEN(LPARAM lParam) {
    return LOWORD(static_cast<uintptr_t>(lParam));
}
constexpr WORD WSAGETASYNCERROR(LPARAM lParam) {
    return HIWORD(static_cast<uintptr_t>(lParam));
}
constexpr WORD WSAGETSELECTEVENT(LPARAM lParam) {
    return LOWORD(static_cast<uintptr_t>(lParam));
}
constexpr WORD WSAGETSELECTERROR(LPARAM lParam) {
    return HIWORD(static_cast<uintptr_t>(lParam));
}

// Entry points. Until WSAStartup has succeeded, every entry but WSAStartup and the byte-order and
// last-error calls fails with WSANOTINITIALISED.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();
void WSASetLastError(int error);
int WSAGetLastError();
int WSACancelAsyncRequest(HANDLE asyncTask);
HANDLE WSAAsyncGetHostByName(HWND hwnd, u_int msg, const char* name, char* buf, int bufLen);
HANDLE WSAAsyncGetHostByAddr(HWND hwnd, u_int msg, const char* addr, int len, int type, char* buf, int bufLen);
int WSAAsyncSelect(SOCKET s, HWND hwnd, u_int msg, long events);
servent* getservbyname(const char* name, const char* proto);
protoent* getprotobyname(const char* name);
hostent* gethostbyname(const char* name);
hostent* gethostbyaddr(const char* addr, int len, int type);
SOCKET socket(int af, int type, int protocol);
int shutdown(SOCKET s, int how);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
int sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int toLen);
int send(SOCKET s, const char* buf, int len, int flags);
// The gathered send of WinSock 2, without overlapped sockets: the buffers go out in order as one send (on a
// stream, as much as the socket takes; a datagram carries them all). 0 and the bytes taken in *bytesSent,
// or SOCKET_ERROR.
int WSASend(SOCKET s, WSABUF* buffers, DWORD bufferCount, DWORD* bytesSent, DWORD flags, void* overlapped,
            void* completionRoutine);
u_short ntohs(u_short value);
u_long ntohl(u_long value);
u_short htons(u_short value);
u_long htonl(u_long value);
int listen(SOCKET s, int backlog);
int ioctlsocket(SOCKET s, long cmd, u_long* argp);
int WSAIoctl(SOCKET s, DWORD code, void* inBuffer, DWORD inSize, void* outBuffer, DWORD outSize, DWORD* bytesReturned,
             void* overlapped, void* completionRoutine);
char* inet_ntoa(in_addr in);
u_long inet_addr(const char* text);
int getsockname(SOCKET s, sockaddr* name, int* nameLen);
int getpeername(SOCKET s, sockaddr* name, int* nameLen);
int connect(SOCKET s, const sockaddr* name, int nameLen);
int closesocket(SOCKET s);
int bind(SOCKET s, const sockaddr* name, int nameLen);
SOCKET accept(SOCKET s, sockaddr* addr, int* addrLen);
int recv(SOCKET s, char* buf, int len, int flags);
int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromLen);

}  // namespace win
