// The socket entries: creation, addresses, connections, transfer and closing.
#include <cstring>
#include <vector>

#include "platform/winsock/Internal.h"
#include "platform/winsock/PosixSocket.h"
#include "platform/winsock/SocketTable.h"
#include "platform/winsock/WinSock.h"

namespace win {

namespace {

using winsock::Fail;
using winsock::SocketPtr;
using winsock::SocketRecord;
using winsock::UseSocket;

bool ReadAddress(const sockaddr* name, int len, posix::Address& a) {
    if (!name || len < static_cast<int>(sizeof(sockaddr_in))) {
        SetLastError(WSAEFAULT);
        return false;
    }
    sockaddr_in in;
    std::memcpy(&in, name, sizeof in);
    if (in.sin_family != AF_INET) {
        SetLastError(WSAEAFNOSUPPORT);
        return false;
    }
    a.ip = in.sin_addr.s_addr;
    a.port = in.sin_port;
    return true;
}

// Fills a caller's address buffer; len is in and out as WinSock has it.
bool WriteAddress(const posix::Address& a, sockaddr* name, int* len) {
    if (!name)
        return true;
    if (!len || *len < static_cast<int>(sizeof(sockaddr_in))) {
        SetLastError(WSAEFAULT);
        return false;
    }
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = a.port;
    in.sin_addr.s_addr = a.ip;
    std::memcpy(name, &in, sizeof in);
    *len = sizeof in;
    return true;
}

bool IsConnectionFailure(int error) {
    return error == WSAECONNREFUSED || error == WSAENETUNREACH || error == WSAEHOSTUNREACH || error == WSAETIMEDOUT;
}

int TimeoutOf(uint32_t ms) {
    return ms == 0 ? -1 : static_cast<int>(ms);
}

int FinishBlockingConnect(const SocketPtr& r) {
    posix::WaitFor(r->fd, posix::PollOut(), -1);
    int error = posix::PendingError(r->fd);
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    r->connecting = false;
    r->connected = error == 0;
    return error ? Fail(error) : 0;
}

}  // namespace

SOCKET socket(int af, int type, int protocol) {
    if (!winsock::RequireStarted())
        return INVALID_SOCKET;
    if (af != AF_INET)
        return Fail(WSAEAFNOSUPPORT), INVALID_SOCKET;
    if (type == SOCK_STREAM && protocol != 0 && protocol != IPPROTO_TCP)
        return Fail(WSAEPROTONOSUPPORT), INVALID_SOCKET;
    if (type == SOCK_DGRAM && protocol != 0 && protocol != IPPROTO_UDP)
        return Fail(WSAEPROTONOSUPPORT), INVALID_SOCKET;
    auto r = std::make_shared<winsock::SocketRecord>();
    r->type = type;
    if (int error = posix::Open(type, protocol, r->fd)) {
        r->fd = -1;
        return Fail(error), INVALID_SOCKET;
    }
    return winsock::AddSocket(std::move(r));
}

int closesocket(SOCKET s) {
    if (!winsock::RequireStarted())
        return SOCKET_ERROR;
    return winsock::RemoveSocket(s) ? 0 : SOCKET_ERROR;
}

int bind(SOCKET s, const sockaddr* name, int nameLen) {
    SocketPtr r = UseSocket(s);
    posix::Address a;
    if (!r || !ReadAddress(name, nameLen, a))
        return SOCKET_ERROR;
    int error = posix::Bind(r->fd, a);
    return error ? Fail(error) : 0;
}

int connect(SOCKET s, const sockaddr* name, int nameLen) {
    SocketPtr r = UseSocket(s);
    posix::Address a;
    if (!r || !ReadAddress(name, nameLen, a))
        return SOCKET_ERROR;
    std::unique_lock<std::recursive_mutex> guard(winsock::TableLock());
    if (r->listening)
        return Fail(WSAEINVAL);
    if (r->Streams() && r->connected)
        return Fail(WSAEISCONN);
    if (r->connecting)
        return Fail(WSAEALREADY);
    int error = posix::Connect(r->fd, a);
    if (!r->Streams())
        return error ? Fail(error) : 0;
    if (error == 0) {
        winsock::ConnectFinished(s, *r, 0);
        return 0;
    }
    if (error != WSAEWOULDBLOCK && !(r->Selected() && IsConnectionFailure(error)))
        return Fail(error);
    if (r->blocking) {
        r->connecting = true;
        guard.unlock();
        return FinishBlockingConnect(r);
    }
    if (error == WSAEWOULDBLOCK) {
        r->connecting = true;
        winsock::UpdateWatch(*r);
    } else {
        winsock::ConnectFinished(s, *r, error);  // as WinSock: the failure comes with FD_CONNECT
    }
    return Fail(WSAEWOULDBLOCK);
}

int listen(SOCKET s, int backlog) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (!r->Streams())
        return Fail(WSAEOPNOTSUPP);
    posix::Address a;
    if (posix::SockName(r->fd, a) != 0 || a.port == 0)
        return Fail(WSAEINVAL);  // WinSock wants a bind first
    if (r->connected || r->connecting)
        return Fail(WSAEISCONN);
    if (int error = posix::Listen(r->fd, backlog > 0 ? backlog : 1))
        return Fail(error);
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    r->listening = true;
    winsock::UpdateWatch(*r);
    return 0;
}

SOCKET accept(SOCKET s, sockaddr* addr, int* addrLen) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return INVALID_SOCKET;
    if (!r->listening)
        return Fail(WSAEINVAL), INVALID_SOCKET;
    if (addr && (!addrLen || *addrLen < static_cast<int>(sizeof(sockaddr_in))))
        return Fail(WSAEFAULT), INVALID_SOCKET;
    posix::Address peer;
    int fd = -1;
    int error;
    while ((error = posix::Accept(r->fd, peer, fd)) == WSAEWOULDBLOCK && r->blocking)
        posix::WaitFor(r->fd, posix::PollIn(), -1);
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    winsock::Reenable(*r, FD_ACCEPT);
    if (error)
        return Fail(error), INVALID_SOCKET;
    auto n = std::make_shared<winsock::SocketRecord>();
    n->fd = fd;
    n->type = SOCK_STREAM;
    n->connected = true;
    n->blocking = r->blocking;
    SOCKET ns = winsock::AddSocket(n);
    WriteAddress(peer, addr, addrLen);
    // The accepted socket starts with the listener's asynchronous select, as WinSock's does.
    if (r->Selected())
        winsock::SelectEvents(ns, r->hwnd, r->msg, r->events);
    return ns;
}

int shutdown(SOCKET s, int how) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH)
        return Fail(WSAEINVAL);
    if (r->Streams() && !r->connected)
        return Fail(WSAENOTCONN);
    int error = posix::Shutdown(r->fd, how);
    return error ? Fail(error) : 0;
}

namespace {

// What send, sendto and WSASend share: the pieces go out in order; the number of bytes taken, or the failure.
long SendOn(SOCKET s, const posix::Piece* pieces, size_t count, int flags, const posix::Address* to) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (flags & ~(MSG_OOB | MSG_DONTROUTE))
        return Fail(WSAEOPNOTSUPP);
    if (r->Streams() && !r->connected)
        return Fail(WSAENOTCONN);
    if (!r->Streams() && count > posix::kMaxPieces)
        return Fail(WSAEMSGSIZE);
    if (r->Streams())
        to = nullptr;  // WinSock ignores the address of a connected stream
    size_t len = 0;
    for (size_t i = 0; i < count; ++i)
        len += pieces[i].len;
    size_t sent = 0;
    for (;;) {
        long n = posix::Send(r->fd, pieces, count, sent, flags, to);
        if (n >= 0)
            sent += static_cast<size_t>(n);
        bool blocked = n == -WSAEWOULDBLOCK;
        if (r->blocking && (blocked || (n >= 0 && sent < len && r->Streams()))) {
            // A blocking WinSock send returns when everything was taken.
            if (!posix::WaitFor(r->fd, posix::PollOut(), TimeoutOf(r->sendTimeoutMs)))
                return Fail(WSAETIMEDOUT);
            continue;
        }
        std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
        if (blocked || (n >= 0 && sent < len))
            winsock::Reenable(*r, FD_WRITE);
        if (n < 0 && sent == 0)
            return Fail(static_cast<int>(-n));
        return static_cast<long>(sent);
    }
}

int SendBuffer(SOCKET s, const char* buf, int len, int flags, const posix::Address* to) {
    if (!buf && len > 0)
        return Fail(WSAEFAULT);
    if (len < 0)
        return Fail(WSAEINVAL);
    posix::Piece piece{buf, static_cast<size_t>(len)};
    return static_cast<int>(SendOn(s, &piece, 1, flags, to));
}

int ReceiveOn(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromLen) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (!buf && len > 0)
        return Fail(WSAEFAULT);
    if (len < 0)
        return Fail(WSAEINVAL);
    if (from && (!fromLen || *fromLen < static_cast<int>(sizeof(sockaddr_in))))
        return Fail(WSAEFAULT);
    if (flags & ~(MSG_OOB | MSG_PEEK))
        return Fail(WSAEOPNOTSUPP);
    if (r->Streams() && !r->connected)
        return Fail(WSAENOTCONN);
    posix::Address peer;
    long n;
    while ((n = posix::Receive(r->fd, buf, static_cast<size_t>(len), flags, from ? &peer : nullptr)) ==
               -WSAEWOULDBLOCK &&
           r->blocking) {
        if (!posix::WaitFor(r->fd, posix::PollIn(), TimeoutOf(r->receiveTimeoutMs)))
            return Fail(WSAETIMEDOUT);
    }
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    winsock::Reenable(*r, FD_READ);
    if (n < 0)
        return Fail(static_cast<int>(-n));
    if (from)
        WriteAddress(peer, from, fromLen);
    return static_cast<int>(n);
}

}  // namespace

int send(SOCKET s, const char* buf, int len, int flags) {
    return SendBuffer(s, buf, len, flags, nullptr);
}

int sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int toLen) {
    if (!to)
        return SendBuffer(s, buf, len, flags, nullptr);
    posix::Address a;
    if (!ReadAddress(to, toLen, a))
        return SOCKET_ERROR;
    return SendBuffer(s, buf, len, flags, &a);
}

int WSASend(SOCKET s, WSABUF* buffers, DWORD bufferCount, DWORD* bytesSent, DWORD flags, void* overlapped,
            void* completionRoutine) {
    if (overlapped || completionRoutine)
        return Fail(WSAEOPNOTSUPP);  // no overlapped sockets here
    if (!bytesSent || (!buffers && bufferCount > 0))
        return Fail(WSAEFAULT);
    std::vector<posix::Piece> pieces(bufferCount);
    for (DWORD i = 0; i < bufferCount; ++i) {
        if (!buffers[i].buf && buffers[i].len > 0)
            return Fail(WSAEFAULT);
        pieces[i] = {buffers[i].buf, buffers[i].len};
    }
    long n = SendOn(s, pieces.data(), pieces.size(), static_cast<int>(flags), nullptr);
    if (n < 0)
        return SOCKET_ERROR;
    *bytesSent = static_cast<DWORD>(n);
    return 0;
}

int recv(SOCKET s, char* buf, int len, int flags) {
    return ReceiveOn(s, buf, len, flags, nullptr, nullptr);
}

int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromLen) {
    return ReceiveOn(s, buf, len, flags, from, fromLen);
}

namespace {

// The address at one end of socket s, as read (an error code or 0), written into the caller's buffer.
template <class Read>
int ReportName(SOCKET s, sockaddr* name, int* nameLen, Read read) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (!name)
        return Fail(WSAEFAULT);
    posix::Address a;
    if (int error = read(*r, a))
        return Fail(error);
    return WriteAddress(a, name, nameLen) ? 0 : SOCKET_ERROR;
}

}  // namespace

int getsockname(SOCKET s, sockaddr* name, int* nameLen) {
    return ReportName(s, name, nameLen, [](const SocketRecord& r, posix::Address& a) {
        if (int error = posix::SockName(r.fd, a))
            return error;
        return a.port == 0 && !r.connected && !r.connecting ? WSAEINVAL : 0;  // not bound yet
    });
}

int getpeername(SOCKET s, sockaddr* name, int* nameLen) {
    return ReportName(s, name, nameLen,
                      [](const SocketRecord& r, posix::Address& a) { return posix::PeerName(r.fd, a); });
}

int WSAAsyncSelect(SOCKET s, HWND hwnd, u_int msg, long events) {
    if (!winsock::RequireStarted())
        return SOCKET_ERROR;
    return winsock::SelectEvents(s, hwnd, msg, events);
}

}  // namespace win
