#include "platform/winsock/PosixSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/winsock/WinSockErrors.h"

namespace win::posix {

namespace {

int LastError() {
    return ErrorFromErrno(errno);
}

sockaddr_in ToSockaddr(const Address& a) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = a.port;
    sa.sin_addr.s_addr = a.ip;
    return sa;
}

Address FromSockaddr(const sockaddr_in& sa) {
    return Address{sa.sin_addr.s_addr, sa.sin_port};
}

// The local or the remote address of the socket, by getsockname or getpeername.
int AddressFrom(int (*query)(int, sockaddr*, socklen_t*), int fd, Address& a) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (query(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return LastError();
    a = FromSockaddr(sa);
    return 0;
}

struct OptionName {
    int level;
    int name;
};

OptionName Name(Option o) {
    switch (o) {
        case Option::ReuseAddr:
            return {SOL_SOCKET, SO_REUSEADDR};
        case Option::KeepAlive:
            return {SOL_SOCKET, SO_KEEPALIVE};
        case Option::Broadcast:
            return {SOL_SOCKET, SO_BROADCAST};
        case Option::DontRoute:
            return {SOL_SOCKET, SO_DONTROUTE};
        case Option::OobInline:
            return {SOL_SOCKET, SO_OOBINLINE};
        case Option::SndBuf:
            return {SOL_SOCKET, SO_SNDBUF};
        case Option::RcvBuf:
            return {SOL_SOCKET, SO_RCVBUF};
        case Option::Error:
            return {SOL_SOCKET, SO_ERROR};
        case Option::Type:
            return {SOL_SOCKET, SO_TYPE};
        case Option::AcceptConn:
            return {SOL_SOCKET, SO_ACCEPTCONN};
        case Option::TcpNoDelay:
            return {IPPROTO_TCP, TCP_NODELAY};
        case Option::TcpKeepIdle:
            return {IPPROTO_TCP, TCP_KEEPIDLE};
        case Option::TcpKeepIntvl:
            return {IPPROTO_TCP, TCP_KEEPINTVL};
        case Option::TcpKeepCnt:
            return {IPPROTO_TCP, TCP_KEEPCNT};
        case Option::IpTtl:
            return {IPPROTO_IP, IP_TTL};
        case Option::IpTos:
            return {IPPROTO_IP, IP_TOS};
        case Option::IpMulticastTtl:
            return {IPPROTO_IP, IP_MULTICAST_TTL};
        case Option::IpMulticastLoop:
            return {IPPROTO_IP, IP_MULTICAST_LOOP};
    }
    return {SOL_SOCKET, 0};
}

}  // namespace

short PollIn() {
    return POLLIN;
}
short PollOut() {
    return POLLOUT;
}
short PollErrorOrHangUp() {
    return POLLERR | POLLHUP;
}

int ErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return 0;
        case EINTR:
            return WSAEINTR;
        case EBADF:
            return WSAENOTSOCK;
        case EACCES:
        case EPERM:
            return WSAEACCES;
        case EFAULT:
            return WSAEFAULT;
        case EINVAL:
            return WSAEINVAL;
        case EMFILE:
        case ENFILE:
            return WSAEMFILE;
        case EAGAIN:
        case EINPROGRESS:
            return WSAEWOULDBLOCK;
        case EALREADY:
            return WSAEALREADY;
        case ENOTSOCK:
            return WSAENOTSOCK;
        case EDESTADDRREQ:
            return WSAEDESTADDRREQ;
        case EMSGSIZE:
            return WSAEMSGSIZE;
        case EPROTOTYPE:
            return WSAEPROTOTYPE;
        case ENOPROTOOPT:
            return WSAENOPROTOOPT;
        case EPROTONOSUPPORT:
            return WSAEPROTONOSUPPORT;
        case ESOCKTNOSUPPORT:
            return WSAESOCKTNOSUPPORT;
        case EOPNOTSUPP:
            return WSAEOPNOTSUPP;
        case EPFNOSUPPORT:
            return WSAEPFNOSUPPORT;
        case EAFNOSUPPORT:
            return WSAEAFNOSUPPORT;
        case EADDRINUSE:
            return WSAEADDRINUSE;
        case EADDRNOTAVAIL:
            return WSAEADDRNOTAVAIL;
        case ENETDOWN:
            return WSAENETDOWN;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case ENETRESET:
            return WSAENETRESET;
        case ECONNABORTED:
            return WSAECONNABORTED;
        case ECONNRESET:
        case EPIPE:
            return WSAECONNRESET;
        case ENOBUFS:
        case ENOMEM:
            return WSAENOBUFS;
        case EISCONN:
            return WSAEISCONN;
        case ENOTCONN:
            return WSAENOTCONN;
        case ESHUTDOWN:
            return WSAESHUTDOWN;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case EHOSTDOWN:
            return WSAEHOSTDOWN;
        case EHOSTUNREACH:
            return WSAEHOSTUNREACH;
        default:
            return WSAEINVAL;
    }
}

int Open(int type, int protocol, int& fd) {
    int posixType = type == 1 ? SOCK_STREAM : type == 2 ? SOCK_DGRAM : type == 3 ? SOCK_RAW : -1;
    if (posixType < 0)
        return WSAESOCKTNOSUPPORT;
    fd = ::socket(AF_INET, posixType | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    return fd < 0 ? LastError() : 0;
}

void Close(int fd) {
    ::close(fd);
}

int Bind(int fd, const Address& a) {
    sockaddr_in sa = ToSockaddr(a);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0 : LastError();
}

int Connect(int fd, const Address& a) {
    sockaddr_in sa = ToSockaddr(a);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0 : LastError();
}

int Listen(int fd, int backlog) {
    return ::listen(fd, backlog) == 0 ? 0 : LastError();
}

int Accept(int fd, Address& peer, int& newFd) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    newFd = ::accept4(fd, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (newFd < 0)
        return LastError();
    peer = FromSockaddr(sa);
    return 0;
}

int Shutdown(int fd, int how) {
    return ::shutdown(fd, how) == 0 ? 0 : LastError();
}

long Send(int fd, const Piece* pieces, size_t count, size_t skip, int flags, const Address* to) {
    iovec iov[kMaxPieces];
    size_t used = 0;
    for (size_t i = 0; i < count && used < kMaxPieces; ++i) {
        size_t from = std::min(skip, pieces[i].len);
        skip -= from;
        if (from < pieces[i].len)
            iov[used++] = {const_cast<char*>(static_cast<const char*>(pieces[i].data)) + from, pieces[i].len - from};
    }
    msghdr msg{};
    msg.msg_iov = iov;
    msg.msg_iovlen = used;
    sockaddr_in sa{};
    if (to) {
        sa = ToSockaddr(*to);
        msg.msg_name = &sa;
        msg.msg_namelen = sizeof sa;
    }
    // A peer that has gone must give an error, never the signal that would end the program.
    ssize_t n = ::sendmsg(fd, &msg, flags | MSG_NOSIGNAL);
    return n < 0 ? -LastError() : n;
}

long Receive(int fd, void* data, size_t len, int flags, Address* from) {
    sockaddr_in sa{};
    socklen_t salen = sizeof sa;
    ssize_t n =
        ::recvfrom(fd, data, len, flags, from ? reinterpret_cast<sockaddr*>(&sa) : nullptr, from ? &salen : nullptr);
    if (n < 0)
        return -LastError();
    if (from)
        *from = FromSockaddr(sa);
    return n;
}

int SockName(int fd, Address& a) {
    return AddressFrom(::getsockname, fd, a);
}

int PeerName(int fd, Address& a) {
    return AddressFrom(::getpeername, fd, a);
}

int BytesWaiting(int fd, int& count) {
    count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? 0 : LastError();
}

int BytesUnacknowledged(int fd, int& count) {
    count = 0;
    return ::ioctl(fd, SIOCOUTQ, &count) == 0 ? 0 : LastError();
}

bool UrgentDataWaiting(int fd) {
    char c;
    return ::recv(fd, &c, 1, MSG_OOB | MSG_PEEK | MSG_DONTWAIT) > 0;
}

int PendingError(int fd) {
    int v = 0;
    socklen_t len = sizeof v;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &v, &len) != 0)
        return LastError();
    return ErrorFromErrno(v);
}

int SetOption(int fd, Option o, int value) {
    OptionName n = Name(o);
    return ::setsockopt(fd, n.level, n.name, &value, sizeof value) == 0 ? 0 : LastError();
}

int GetOption(int fd, Option o, int& value) {
    OptionName n = Name(o);
    socklen_t len = sizeof value;
    value = 0;
    if (::getsockopt(fd, n.level, n.name, &value, &len) != 0)
        return LastError();
    if (o == Option::Error)
        value = ErrorFromErrno(value);
    if (o == Option::Type)
        value = value == SOCK_STREAM ? 1 : value == SOCK_DGRAM ? 2 : 3;
    return 0;
}

int SetLinger(int fd, bool on, int seconds) {
    ::linger l{on ? 1 : 0, seconds};
    return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) == 0 ? 0 : LastError();
}

int GetLinger(int fd, bool& on, int& seconds) {
    ::linger l{};
    socklen_t len = sizeof l;
    if (::getsockopt(fd, SOL_SOCKET, SO_LINGER, &l, &len) != 0)
        return LastError();
    on = l.l_onoff != 0;
    seconds = l.l_linger;
    return 0;
}

int SetMembership(int fd, bool join, uint32_t group, uint32_t iface) {
    ::ip_mreq m{};
    m.imr_multiaddr.s_addr = group;
    m.imr_interface.s_addr = iface;
    int name = join ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP;
    return ::setsockopt(fd, IPPROTO_IP, name, &m, sizeof m) == 0 ? 0 : LastError();
}

int SetMulticastInterface(int fd, uint32_t iface) {
    ::in_addr a{};
    a.s_addr = iface;
    return ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &a, sizeof a) == 0 ? 0 : LastError();
}

int GetMulticastInterface(int fd, uint32_t& iface) {
    ::in_addr a{};
    socklen_t len = sizeof a;
    if (::getsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &a, &len) != 0)
        return LastError();
    iface = a.s_addr;
    return 0;
}

int SetTimeout(int fd, bool send, uint32_t ms) {
    ::timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
    int name = send ? SO_SNDTIMEO : SO_RCVTIMEO;
    return ::setsockopt(fd, SOL_SOCKET, name, &tv, sizeof tv) == 0 ? 0 : LastError();
}

bool WaitFor(int fd, short events, int msTimeout) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, msTimeout);
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            return true;  // let the call itself report the failure
    }
}

}  // namespace win::posix
