#pragma once
// The system calls under the WinSock stand-in, in neutral terms: descriptors are always non-blocking,
// addresses are IPv4 in network byte order, and every failure comes back as a WinSock error code
// (0 for success). Kept apart so that the system's socket headers and WinSock's names never meet.

#include <cstddef>
#include <cstdint>

namespace win::posix {

struct Address {
    uint32_t ip = 0;    // network byte order
    uint16_t port = 0;  // network byte order
};

enum class Option {
    ReuseAddr,
    KeepAlive,
    Broadcast,
    DontRoute,
    OobInline,
    SndBuf,
    RcvBuf,
    Error,
    Type,
    AcceptConn,
    TcpNoDelay,
    TcpKeepIdle,
    TcpKeepIntvl,
    TcpKeepCnt,
    IpTtl,
    IpTos,
    IpMulticastTtl,
    IpMulticastLoop
};

// Readiness bits, the watch interface's own (poll's).
short PollIn();
short PollOut();
short PollErrorOrHangUp();  // POLLERR | POLLHUP

int ErrorFromErrno(int err);  // the WinSock code for an errno value

int Open(int type, int protocol, int& fd);  // type 1 stream, 2 datagram, 3 raw
void Close(int fd);
int Bind(int fd, const Address& a);
int Connect(int fd, const Address& a);  // WSAEWOULDBLOCK while in progress
int Listen(int fd, int backlog);
int Accept(int fd, Address& peer, int& newFd);
int Shutdown(int fd, int how);
// Bytes of one send, several of which go out in order as one run of a stream or as one datagram.
struct Piece {
    const void* data = nullptr;
    size_t len = 0;
};
// At most this many pieces go in one call; a stream takes the rest in the next.
constexpr size_t kMaxPieces = 1024;
// Sends the pieces after their first skip bytes: the number of bytes moved, or -(WinSock error).
long Send(int fd, const Piece* pieces, size_t count, size_t skip, int flags, const Address* to);
long Receive(int fd, void* data, size_t len, int flags, Address* from);
int SockName(int fd, Address& a);
int PeerName(int fd, Address& a);
int BytesWaiting(int fd, int& count);         // FIONREAD
int BytesUnacknowledged(int fd, int& count);  // SIOCOUTQ
bool UrgentDataWaiting(int fd);
int PendingError(int fd);  // SO_ERROR, as a WinSock code

int SetOption(int fd, Option o, int value);
int GetOption(int fd, Option o, int& value);
int SetLinger(int fd, bool on, int seconds);
int GetLinger(int fd, bool& on, int& seconds);
int SetMembership(int fd, bool join, uint32_t group, uint32_t iface);
int SetMulticastInterface(int fd, uint32_t iface);
int GetMulticastInterface(int fd, uint32_t& iface);
int SetTimeout(int fd, bool send, uint32_t ms);  // kept by the caller too; the descriptor is non-blocking

// Waits until the descriptor has one of the events; false when msTimeout (-1: none) passed first.
bool WaitFor(int fd, short events, int msTimeout);

}  // namespace win::posix
