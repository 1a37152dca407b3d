// Socket options and control codes, translated onto the system's own.
#include <cstring>
#include <optional>

#include "platform/winsock/Internal.h"
#include "platform/winsock/PosixSocket.h"
#include "platform/winsock/SocketTable.h"
#include "platform/winsock/WinSock.h"

namespace win {

namespace {

using winsock::Fail;
using winsock::SocketPtr;
using winsock::UseSocket;

// The options that hold one integer (a BOOL, a size, a count), by WinSock level and name.
std::optional<posix::Option> IntegerOption(int level, int name) {
    if (level == SOL_SOCKET) {
        switch (name) {
            case SO_REUSEADDR:
                return posix::Option::ReuseAddr;
            case SO_KEEPALIVE:
                return posix::Option::KeepAlive;
            case SO_BROADCAST:
                return posix::Option::Broadcast;
            case SO_DONTROUTE:
                return posix::Option::DontRoute;
            case SO_OOBINLINE:
                return posix::Option::OobInline;
            case SO_SNDBUF:
                return posix::Option::SndBuf;
            case SO_RCVBUF:
                return posix::Option::RcvBuf;
            case SO_ERROR:
                return posix::Option::Error;
            case SO_TYPE:
                return posix::Option::Type;
            case SO_ACCEPTCONN:
                return posix::Option::AcceptConn;
        }
    } else if (level == IPPROTO_TCP) {
        switch (name) {
            case TCP_NODELAY:
                return posix::Option::TcpNoDelay;
            case TCP_KEEPIDLE:
                return posix::Option::TcpKeepIdle;
            case TCP_KEEPINTVL:
                return posix::Option::TcpKeepIntvl;
            case TCP_KEEPCNT:
                return posix::Option::TcpKeepCnt;
        }
    } else if (level == IPPROTO_IP) {
        switch (name) {
            case IP_TTL:
                return posix::Option::IpTtl;
            case IP_TOS:
                return posix::Option::IpTos;
            case IP_MULTICAST_TTL:
                return posix::Option::IpMulticastTtl;
            case IP_MULTICAST_LOOP:
                return posix::Option::IpMulticastLoop;
        }
    }
    return std::nullopt;
}

bool IsBoolean(posix::Option o) {
    switch (o) {
        case posix::Option::ReuseAddr:
        case posix::Option::KeepAlive:
        case posix::Option::Broadcast:
        case posix::Option::DontRoute:
        case posix::Option::OobInline:
        case posix::Option::TcpNoDelay:
        case posix::Option::IpMulticastLoop:
            return true;
        default:
            return false;
    }
}

bool IsReadOnly(posix::Option o) {
    return o == posix::Option::Error || o == posix::Option::Type || o == posix::Option::AcceptConn;
}

bool KnownLevel(int level) {
    return level == SOL_SOCKET || level == IPPROTO_TCP || level == IPPROTO_IP;
}

// Small values may come as one byte (the multicast ones) or as an int.
int ReadInteger(const char* value, int len) {
    if (len < static_cast<int>(sizeof(int)))
        return static_cast<unsigned char>(value[0]);
    int v;
    std::memcpy(&v, value, sizeof v);
    return v;
}

template <typename T>
bool Take(const char* value, int len, T& out) {
    if (!value || len < static_cast<int>(sizeof(T)))
        return false;
    std::memcpy(&out, value, sizeof(T));
    return true;
}

template <typename T>
int Give(const T& value, char* out, int* len) {
    if (!out || !len || *len < static_cast<int>(sizeof(T)))
        return Fail(WSAEFAULT);
    std::memcpy(out, &value, sizeof(T));
    *len = sizeof(T);
    return 0;
}

int SetSpecial(winsock::SocketRecord& r, int level, int name, const char* value, int len) {
    int error = WSAENOPROTOOPT;
    if (level == SOL_SOCKET && name == SO_LINGER) {
        linger l;
        if (!Take(value, len, l))
            return Fail(WSAEFAULT);
        error = posix::SetLinger(r.fd, l.l_onoff != 0, l.l_linger);
    } else if (level == SOL_SOCKET && name == SO_DONTLINGER) {
        int off;
        if (!Take(value, len, off))
            return Fail(WSAEFAULT);
        error = posix::SetLinger(r.fd, off == 0, 0);
    } else if (level == SOL_SOCKET && (name == SO_SNDTIMEO || name == SO_RCVTIMEO)) {
        DWORD ms;
        if (!Take(value, len, ms))
            return Fail(WSAEFAULT);
        (name == SO_SNDTIMEO ? r.sendTimeoutMs : r.receiveTimeoutMs) = ms;
        error = 0;
    } else if (level == SOL_SOCKET && name == SO_DEBUG) {
        error = 0;
    } else if (level == IPPROTO_IP && name == IP_MULTICAST_IF) {
        in_addr a;
        if (!Take(value, len, a))
            return Fail(WSAEFAULT);
        error = posix::SetMulticastInterface(r.fd, a.s_addr);
    } else if (level == IPPROTO_IP && (name == IP_ADD_MEMBERSHIP || name == IP_DROP_MEMBERSHIP)) {
        ip_mreq m;
        if (!Take(value, len, m))
            return Fail(WSAEFAULT);
        error = posix::SetMembership(r.fd, name == IP_ADD_MEMBERSHIP, m.imr_multiaddr.s_addr, m.imr_interface.s_addr);
    }
    return error ? Fail(error) : 0;
}

int GetSpecial(winsock::SocketRecord& r, int level, int name, char* value, int* len) {
    if (level == SOL_SOCKET && (name == SO_LINGER || name == SO_DONTLINGER)) {
        bool on = false;
        int seconds = 0;
        if (int error = posix::GetLinger(r.fd, on, seconds))
            return Fail(error);
        if (name == SO_DONTLINGER)
            return Give<int>(on ? 0 : 1, value, len);
        return Give(linger{static_cast<u_short>(on ? 1 : 0), static_cast<u_short>(seconds)}, value, len);
    }
    if (level == SOL_SOCKET && (name == SO_SNDTIMEO || name == SO_RCVTIMEO))
        return Give<DWORD>(name == SO_SNDTIMEO ? r.sendTimeoutMs : r.receiveTimeoutMs, value, len);
    if (level == SOL_SOCKET && name == SO_DEBUG)
        return Give<int>(0, value, len);
    if (level == IPPROTO_IP && name == IP_MULTICAST_IF) {
        in_addr a{};
        if (int error = posix::GetMulticastInterface(r.fd, a.s_addr))
            return Fail(error);
        return Give(a, value, len);
    }
    return Fail(WSAENOPROTOOPT);
}

int KeepAliveValues(winsock::SocketRecord& r, const void* in, DWORD inSize) {
    if (!in || inSize < sizeof(tcp_keepalive))
        return Fail(WSAEFAULT);
    tcp_keepalive k;
    std::memcpy(&k, in, sizeof k);
    if (int error = posix::SetOption(r.fd, posix::Option::KeepAlive, k.onoff ? 1 : 0))
        return Fail(error);
    if (!k.onoff)
        return 0;
    // WinSock counts milliseconds, the system whole seconds.
    auto seconds = [](u_long ms) { return static_cast<int>(ms < 1000 ? 1 : (ms + 999) / 1000); };
    if (int error = posix::SetOption(r.fd, posix::Option::TcpKeepIdle, seconds(k.keepalivetime)))
        return Fail(error);
    if (int error = posix::SetOption(r.fd, posix::Option::TcpKeepIntvl, seconds(k.keepaliveinterval)))
        return Fail(error);
    return 0;
}

}  // namespace

int setsockopt(SOCKET s, int level, int name, const char* value, int len) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (!KnownLevel(level))
        return Fail(WSAEINVAL);
    if (!value || len <= 0)
        return Fail(WSAEFAULT);
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    auto option = IntegerOption(level, name);
    if (!option)
        return SetSpecial(*r, level, name, value, len);
    if (IsReadOnly(*option))
        return Fail(WSAENOPROTOOPT);
    int v = ReadInteger(value, len);
    if (IsBoolean(*option))
        v = v != 0;
    int error = posix::SetOption(r->fd, *option, v);
    return error ? Fail(error) : 0;
}

int getsockopt(SOCKET s, int level, int name, char* value, int* len) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (!KnownLevel(level))
        return Fail(WSAEINVAL);
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    auto option = IntegerOption(level, name);
    if (!option)
        return GetSpecial(*r, level, name, value, len);
    int v = 0;
    if (int error = posix::GetOption(r->fd, *option, v))
        return Fail(error);
    return Give(v, value, len);
}

int ioctlsocket(SOCKET s, long cmd, u_long* argp) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (!argp)
        return Fail(WSAEFAULT);
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    if (cmd == FIONREAD || cmd == SIOCOUTQ) {
        int count = 0;
        if (int error = (cmd == FIONREAD ? posix::BytesWaiting : posix::BytesUnacknowledged)(r->fd, count))
            return Fail(error);
        *argp = static_cast<u_long>(count);
        return 0;
    }
    if (cmd == FIONBIO) {
        // A socket under asynchronous select stays non-blocking.
        if (*argp == 0 && r->Selected())
            return Fail(WSAEINVAL);
        r->blocking = *argp == 0;
        return 0;
    }
    if (cmd == SIOCATMARK) {
        *argp = posix::UrgentDataWaiting(r->fd) ? 0 : 1;
        return 0;
    }
    return Fail(WSAEINVAL);
}

int WSAIoctl(SOCKET s, DWORD code, void* inBuffer, DWORD inSize, void* outBuffer, DWORD outSize, DWORD* bytesReturned,
             void* overlapped, void* completionRoutine) {
    SocketPtr r = UseSocket(s);
    if (!r)
        return SOCKET_ERROR;
    if (overlapped || completionRoutine)
        return Fail(WSAEOPNOTSUPP);  // only the synchronous form is offered
    if (bytesReturned)
        *bytesReturned = 0;
    std::lock_guard<std::recursive_mutex> guard(winsock::TableLock());
    if (code == SIO_KEEPALIVE_VALS)
        return KeepAliveValues(*r, inBuffer, inSize);
    if (code == SIO_RCVALL) {
        // Receiving every packet of an interface has no counterpart here: the provider does not support it.
        if (r->type != SOCK_RAW)
            return Fail(WSAEINVAL);
        return Fail(WSAEOPNOTSUPP);
    }
    if (code == static_cast<DWORD>(FIONREAD) || code == static_cast<DWORD>(FIONBIO)) {
        u_long value = 0;
        if (code == static_cast<DWORD>(FIONBIO)) {
            if (!inBuffer || inSize < sizeof value)
                return Fail(WSAEFAULT);
            std::memcpy(&value, inBuffer, sizeof value);
        }
        if (ioctlsocket(s, static_cast<long>(code), &value) != 0)
            return SOCKET_ERROR;
        if (code == static_cast<DWORD>(FIONREAD)) {
            if (!outBuffer || outSize < sizeof value)
                return Fail(WSAEFAULT);
            std::memcpy(outBuffer, &value, sizeof value);
            if (bytesReturned)
                *bytesReturned = sizeof value;
        }
        return 0;
    }
    return Fail(WSAEINVAL);
}

}  // namespace win
