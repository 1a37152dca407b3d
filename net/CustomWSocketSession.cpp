// TCustomWSocket: opening, listening, accepting, closing and sending.
#include <algorithm>
#include <cstring>

#include "net/CustomWSocket.h"

namespace {

constexpr int kConnectEvents = win::FD_READ | win::FD_WRITE | win::FD_ACCEPT | win::FD_CONNECT | win::FD_CLOSE;
constexpr int kListenEvents = win::FD_READ | win::FD_WRITE | win::FD_ACCEPT | win::FD_CLOSE;
constexpr int kDupEvents = win::FD_READ | win::FD_WRITE | win::FD_CONNECT | win::FD_CLOSE;

int IntOption(win::SOCKET s, int level, int name, int value) {
    return Winsock_setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

void TCustomWSocket::ResolveRemote(bool ForConnect) {
    if (!FProtoResolved) {
        std::string lower = LowerCase(FProto);
        if (!ForConnect && lower.compare(0, 4, "raw_") == 0) {
            FSocketType = win::SOCK_RAW;
            FProtoNumber = WSocketResolveProto(FProto.substr(4, 10));
        } else {
            FProtoNumber = WSocketResolveProto(FProto);
            FSocketType = FProtoNumber == win::IPPROTO_TCP   ? win::SOCK_STREAM
                          : FProtoNumber == win::IPPROTO_UDP ? win::SOCK_DGRAM
                          : ForConnect                       ? win::SOCK_RAW
                                                             : win::SOCK_STREAM;
        }
        FProtoResolved = true;
    }
    if (!FPortResolved) {
        FPortNumber = WSocketResolvePort(FPort, FProto);
        FRemoteAddress.sin_port = Winsock_htons(FPortNumber);
        FPortResolved = true;
    }
    if (ForConnect && !FLocalPortResolved) {
        FLocalPortNumber = WSocketResolvePort(FLocalPort, FProto);
        FLocalPortResolved = true;
    }
    if (!FAddrResolved) {
        FRemoteAddress.sin_addr.s_addr = WSocketResolveHost(FAddr);
        FAddrResolved = true;
    }
}

bool TCustomWSocket::OpenSocket(bool ForConnect) {
    try {
        ResolveRemote(ForConnect);
    } catch (const Exception& e) {
        RaiseException((ForConnect ? "connect: " : "listen: ") + e.Message());
        return false;
    }
    DiscardSendBlocks();
    FSocketHandle = Winsock_socket(FAddrFamily, FSocketType, FProtoNumber);
    if (FSocketHandle == win::INVALID_SOCKET) {
        ReportSocketError(ForConnect ? "Connect (socket)" : "socket");
        return false;
    }
    return true;
}

bool TCustomWSocket::ReadBufferSizes() {
    int len = sizeof(int);
    if (Winsock_getsockopt(FSocketHandle, win::SOL_SOCKET, win::SO_SNDBUF, reinterpret_cast<char*>(&FSendBufferSize),
                           &len) == win::SOCKET_ERROR) {
        ReportSocketError("getsockopt(SO_SNDBUF)");
        return false;
    }
    len = sizeof(int);
    if (Winsock_getsockopt(FSocketHandle, win::SOL_SOCKET, win::SO_RCVBUF, reinterpret_cast<char*>(&FReceiveBufferSize),
                           &len) == win::SOCKET_ERROR) {
        ReportSocketError("getsockopt(SO_RCVBUF)");
        return false;
    }
    return true;
}

void TCustomWSocket::ReportInvalidCall(const std::string& What) {
    Winsock_WSASetLastError(win::WSAEINVAL);
    ReportSocketError(What);
}

void TCustomWSocket::Connect() {
    if (FSocketHandle != win::INVALID_SOCKET && FState != wsClosed)
        return RaiseException("Connect: Socket already in use");
    if (!FPortAssigned)
        return RaiseException("Connect: No Port Specified");
    if (!FAddrAssigned)
        return RaiseException("Connect: No IP Address Specified");
    if (!FProtoAssigned)
        return RaiseException("Connect: No Protocol Specified");
    ConnectAccepted();
    if (!OpenSocket(true) || !ReadBufferSizes())
        return;
    SetSocketState(wsOpened);
    if (FState != wsOpened)
        return ReportInvalidCall("Connect (Invalid operation in OnChangeState)");
    if (FSocketType == win::SOCK_DGRAM) {
        BindSocket();
        if (MultiCast) {
            if (MultiCastIpTTL != 1 &&
                IntOption(FSocketHandle, win::IPPROTO_IP, win::IP_MULTICAST_TTL, MultiCastIpTTL) == win::SOCKET_ERROR)
                return ReportSocketError("setsockopt(IP_MULTICAST_TTL)");
            if (FLocalAddr != "0.0.0.0") {
                win::in_addr iface{WSocketResolveHost(FLocalAddr)};
                if (Winsock_setsockopt(FSocketHandle, win::IPPROTO_IP, win::IP_MULTICAST_IF,
                                       reinterpret_cast<const char*>(&iface), sizeof iface) == win::SOCKET_ERROR)
                    return ReportSocketError("setsockopt(IP_MULTICAST_IF)");
            }
        }
        if (FRemoteAddress.sin_addr.s_addr == win::INADDR_BROADCAST &&
            IntOption(FSocketHandle, win::SOL_SOCKET, win::SO_BROADCAST, 1) == win::SOCKET_ERROR)
            return ReportSocketError("setsockopt(SO_BROADCAST)");
    } else {
        if (IntOption(FSocketHandle, win::SOL_SOCKET, win::SO_REUSEADDR, -1) == win::SOCKET_ERROR)
            return ReportSocketError("setsockopt(SO_REUSEADDR)");
        if (ComponentOptions.count(wsoTcpNoDelay) &&
            IntOption(FSocketHandle, win::IPPROTO_TCP, win::TCP_NODELAY, -1) == win::SOCKET_ERROR)
            return ReportSocketError("setsockopt(IPPROTO_TCP, TCP_NODELAY)");
        ApplyLinger();
        ApplyKeepAlive();
        if (FLocalPortNumber != 0 || FLocalAddr != "0.0.0.0")
            BindSocket();
    }
    FSelectEvent = kConnectEvents;
    if (Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, WM_SOCKET_SELECT, kConnectEvents) == win::SOCKET_ERROR)
        return ReportSocketError("WSAAsyncSelect");
    if (FSocketType == win::SOCK_DGRAM) {
        SetSocketState(wsConnected);
        DoSessionConnected(0);
        return;
    }
    if (CheckLogOptions(loWsockInfo))
        DebugLog(loWsockInfo, "TWSocket will connect to " + std::string(Winsock_inet_ntoa(FRemoteAddress.sin_addr)) +
                                  ":" + IntToStr(Winsock_ntohs(FRemoteAddress.sin_port)));
    if (Winsock_connect(FSocketHandle, reinterpret_cast<win::sockaddr*>(&FRemoteAddress), sizeof FRemoteAddress) == 0 ||
        Winsock_WSAGetLastError() == win::WSAEWOULDBLOCK) {
        SetSocketState(wsConnecting);
        return;
    }
    FLastError = Winsock_WSAGetLastError();
    ReportSocketError("Connect");
}

void TCustomWSocket::Listen() {
    if (!FPortAssigned)
        return ReportInvalidCall("listen: port not assigned");
    if (!FProtoAssigned)
        return ReportInvalidCall("listen: protocol not assigned");
    if (!FAddrAssigned)
        return ReportInvalidCall("listen: address not assigned");
    if (!OpenSocket(false))
        return;
    if (FSocketType == win::SOCK_DGRAM && ReuseAddr &&
        IntOption(FSocketHandle, win::SOL_SOCKET, win::SO_REUSEADDR, -1) == win::SOCKET_ERROR)
        return ReportListenFailure("setsockopt(SO_REUSEADDR)");
    if (Winsock_bind(FSocketHandle, reinterpret_cast<win::sockaddr*>(&FRemoteAddress), sizeof FRemoteAddress) ==
        win::SOCKET_ERROR)
        return ReportListenFailure("Bind");
    SetSocketState(wsBound);
    if (FSocketType == win::SOCK_STREAM) {
        if (Winsock_listen(FSocketHandle, ListenBacklog) == win::SOCKET_ERROR)
            return ReportListenFailure("Listen");
        SetSocketState(wsListening);
    } else if (FSocketType == win::SOCK_DGRAM) {
        if (MultiCast && !JoinMultiCastGroup())
            return;
        SetSocketState(wsListening);
        SetSocketState(wsConnected);
        DoSessionConnected(0);
    } else if (FSocketType == win::SOCK_RAW) {
        if (ComponentOptions.count(wsoSIO_RCVALL)) {
            win::DWORD on = 1;
            win::DWORD returned = 0;
            if (WinsockSafe_WSAIoctl(FSocketHandle, win::SIO_RCVALL, &on, sizeof on, nullptr, 0, &returned, nullptr,
                                     nullptr) == win::SOCKET_ERROR)
                return ReportListenFailure("WSAIoctl(SIO_RCVALL)");
        }
        SetSocketState(wsListening);
        SetSocketState(wsConnected);
        DoSessionConnected(0);
    } else {
        DropListenSocket();
        return RaiseException("Listen: unexpected protocol.");
    }
    FSelectEvent = kListenEvents;
    if (Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, WM_SOCKET_SELECT, kListenEvents) == win::SOCKET_ERROR)
        ReportListenFailure("WSAASyncSelect");
}

bool TCustomWSocket::JoinMultiCastGroup() {
    win::ip_mreq mreq{};
    mreq.imr_multiaddr.s_addr = Winsock_inet_addr(MultiCastAddrStr.c_str());
    try {
        mreq.imr_interface.s_addr = WSocketResolveHost(FAddr);
    } catch (const Exception&) {
        DropListenSocket();
        throw;
    }
    if (Winsock_setsockopt(FSocketHandle, win::IPPROTO_IP, win::IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&mreq),
                           sizeof mreq) == win::SOCKET_ERROR) {
        ReportListenFailure("setsockopt(IP_ADD_MEMBERSHIP)");
        return false;
    }
    return true;
}

void TCustomWSocket::DropListenSocket() {
    Winsock_closesocket(FSocketHandle);
    FSocketHandle = win::INVALID_SOCKET;
    SetSocketState(wsClosed);
}

// The socket goes before the report: a report to OnError returns here, one without it raises, and either way
// nothing after it would close the socket.
void TCustomWSocket::ReportListenFailure(const std::string& FunctionName) {
    int error = Winsock_WSAGetLastError();
    DropListenSocket();
    Winsock_WSASetLastError(error);
    ReportSocketError(FunctionName);
}

win::SOCKET TCustomWSocket::Accept() {
    if (FState != wsListening) {
        ReportInvalidCall("not a listening socket");
        return win::INVALID_SOCKET;
    }
    int len = sizeof FRemoteAddress;
    win::SOCKET s = Winsock_accept(FSocketHandle, reinterpret_cast<win::sockaddr*>(&FRemoteAddress), &len);
    if (s == win::INVALID_SOCKET)
        ReportSocketError("Accept");
    return s;
}

void TCustomWSocket::Dup(win::SOCKET NewSocket) {
    if (NewSocket == 0 || NewSocket == win::INVALID_SOCKET)
        return ReportInvalidCall("Dup");
    if (FState != wsClosed) {
        int rc = Winsock_closesocket(FSocketHandle);
        FSocketHandle = win::INVALID_SOCKET;
        if (rc == win::SOCKET_ERROR)
            return ReportSocketError("Dup (closesocket)");
        SetSocketState(wsClosed);
    }
    FSocketHandle = NewSocket;
    if (!ReadBufferSizes())
        return;
    ApplyLinger();
    FSelectEvent = kDupEvents;
    if (Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, WM_SOCKET_SELECT, kDupEvents) == 0)
        MarkConnected();
    else
        ReportSocketError("WSAAsyncSelect");
}

void TCustomWSocket::MarkConnected() {
    SetSocketState(wsConnected);
}

void TCustomWSocket::BindSocket() {
    win::sockaddr_in local{};
    local.sin_family = win::AF_INET;
    local.sin_port = Winsock_htons(FLocalPortNumber);
    local.sin_addr.s_addr = WSocketResolveHost(FLocalAddr);
    if (Winsock_bind(FSocketHandle, reinterpret_cast<win::sockaddr*>(&local), sizeof local) == win::SOCKET_ERROR)
        return RaiseExceptionFmt("winsock.bind failed, error #%d", {Winsock_WSAGetLastError()});
    int len = sizeof local;
    if (Winsock_getsockname(FSocketHandle, reinterpret_cast<win::sockaddr*>(&local), &len) == win::SOCKET_ERROR)
        return RaiseExceptionFmt("winsock.getsockname failed, error #%d", {Winsock_WSAGetLastError()});
    FLocalPortNumber = Winsock_ntohs(local.sin_port);
    FLocalPort = IntToStr(FLocalPortNumber);
}

void TCustomWSocket::ApplyLinger() {
    if (LingerOnOff == wsLingerNoSet)
        return;
    if (FSocketHandle == win::INVALID_SOCKET)
        return RaiseException("Cannot set linger option at this time");
    win::linger l{static_cast<win::u_short>(LingerOnOff == wsLingerOn ? 1 : 0),
                  static_cast<win::u_short>(LingerTimeout)};
    if (Winsock_setsockopt(FSocketHandle, win::SOL_SOCKET, win::SO_LINGER, reinterpret_cast<const char*>(&l),
                           sizeof l) == win::SOCKET_ERROR)
        ReportSocketError("setsockopt(SO_LINGER)");
}

void TCustomWSocket::ApplyKeepAlive() {
    if (KeepAliveOnOff == wsKeepAliveOff)
        return;
    if (IntOption(FSocketHandle, win::SOL_SOCKET, win::SO_KEEPALIVE, 1) == win::SOCKET_ERROR)
        return ReportSocketError("setsockopt(SO_KEEPALIVE)");
    if (KeepAliveOnOff != wsKeepAliveOnCustom)
        return;
    win::tcp_keepalive values{1, static_cast<win::u_long>(KeepAliveTime), static_cast<win::u_long>(KeepAliveInterval)};
    win::DWORD returned = 0;
    if (WinsockSafe_WSAIoctl(FSocketHandle, win::SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned,
                             nullptr, nullptr) == win::SOCKET_ERROR)
        ReportSocketError("WSocket_WSAIoctl(SIO_KEEPALIVE_VALS)");
}

// Closing ------------------------------------------------------------------------------------------------

void TCustomWSocket::InternalClose(bool Shut, win::WORD ErrCode) {
    if (FSocketHandle == win::INVALID_SOCKET) {
        if (FState != wsClosed) {
            SetSocketState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (FState == wsClosed)
        return;
    if (Shut)
        Shutdown(win::SD_SEND);
    for (int tries = 0;; ++tries) {
        if (Winsock_closesocket(FSocketHandle) == 0)
            break;
        int error = Winsock_WSAGetLastError();
        if (error == win::WSANOTINITIALISED)
            break;
        if (error != win::WSAEWOULDBLOCK || tries > 100000) {
            FSocketHandle = win::INVALID_SOCKET;
            return ReportSocketError("Disconnect (closesocket)");
        }
        MessagePump();
    }
    FSocketHandle = win::INVALID_SOCKET;
    SetSocketState(wsClosed);
    if (!FDestroying && !FCloseInvoked) {
        FCloseInvoked = true;
        TriggerSessionClosed(ErrCode);
    }
    try {
        AssignDefaultValue();
    } catch (const std::exception&) {
    }
}

void TCustomWSocket::InternalAbort(win::WORD ErrCode) {
    CancelDnsLookup();
    DiscardSendBlocks();
    if (FState == wsConnected && FProtoNumber == win::IPPROTO_TCP) {
        LingerOnOff = wsLingerOff;
        ApplyLinger();
    }
    InternalClose(false, ErrCode);
}

void TCustomWSocket::Close() {
    InternalClose(true, 0);
}

void TCustomWSocket::Abort() {
    InternalAbort(0);
}

void TCustomWSocket::CloseDelayed() {
    win::PostMessageA(FWindowHandle, WM_SOCKET_CLOSE_DELAYED, 0, 0);
}

void TCustomWSocket::ReleaseDelayed() {
    win::PostMessageA(FWindowHandle, WM_SOCKET_RELEASE, 0, 0);
}

void TCustomWSocket::Shutdown(int How) {
    if (CheckLogOptions(loWsockInfo))
        DebugLog(loWsockInfo, IntToHex(reinterpret_cast<uintptr_t>(this) & 0xFFFFFFFF, 8) +
                                  " TCustomWSocket.Shutdown " + IntToStr(How) + " " +
                                  IntToStr(static_cast<int64_t>(FSocketHandle)));
    if (FSocketHandle != win::INVALID_SOCKET)
        Winsock_shutdown(FSocketHandle, How);
}

void TCustomWSocket::Flush() {
    while (FSocketHandle != win::INVALID_SOCKET && !FAllSent) {
        TryToSend();
        MessagePump();
    }
}

void TCustomWSocket::DrainUntilClosed() {
    while (FSocketHandle != win::INVALID_SOCKET && FState != wsClosed) {
        MessagePump();
        win::u_long waiting = 0;
        if (FSocketHandle == win::INVALID_SOCKET ||
            Winsock_ioctlsocket(FSocketHandle, win::FIONREAD, &waiting) == win::SOCKET_ERROR)
            break;
        if (waiting > 0)
            TriggerDataAvailable(0);
        char none;
        Winsock_WSASetLastError(0);  // a stale code of an earlier call must not end the drain
        if (DoRecv(&none, 0, 0) < 1) {
            FLastError = Winsock_WSAGetLastError();
            if (FLastError != 0 && FLastError != win::WSAEWOULDBLOCK)
                break;
        }
        MessagePump();
        if (waiting == 0)
            win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 100, win::QS_ALLINPUT);
    }
}

int TCustomWSocket::Pause() {
    FPaused = true;
    return Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, 0, 0);
}

int TCustomWSocket::Resume() {
    FPaused = false;
    return Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, WM_SOCKET_SELECT, FSelectEvent);
}

// Sending ------------------------------------------------------------------------------------------------

void TCustomWSocket::PutDataInSendBuffer(const void* Data, int Len) {
    if (Len <= 0 || !Data)
        return;
    std::lock_guard<std::recursive_mutex> guard(SendBufferLock());
    if (FSendBlocks.empty())
        FSendBlocks.push_back(NewSendBlock());
    FBufferedByteCount += Len;
    auto* p = static_cast<const char*>(Data);
    for (;;) {
        int taken = FSendBlocks.back()->Write(p, Len);
        if (taken >= Len)
            break;
        p += taken;
        Len -= taken;
        FSendBlocks.push_back(NewSendBlock());
    }
    FAllSent = false;
}

void TCustomWSocket::DiscardSendBlocks() {
    std::lock_guard<std::recursive_mutex> guard(SendBufferLock());
    FSendBlocks.clear();
    FSpareBlocks.clear();
    FBufferedByteCount = 0;
}

// A block of SendBlockSize bytes, one that was emptied before when there is one.
std::unique_ptr<TBuffer> TCustomWSocket::NewSendBlock() {
    while (!FSpareBlocks.empty()) {
        std::unique_ptr<TBuffer> block = std::move(FSpareBlocks.back());
        FSpareBlocks.pop_back();
        if (block->BlockSize() == SendBlockSize)
            return block;
    }
    return std::make_unique<TBuffer>(SendBlockSize);
}

// The emptied block at the front of the queue leaves it, kept for the next appends while the spares are few.
void TCustomWSocket::DropFrontBlock() {
    if (static_cast<int64_t>(FSpareBlocks.size() + 1) * FSendBlocks.front()->BlockSize() <= MaxSpareBytes)
        FSpareBlocks.push_back(std::move(FSendBlocks.front()));
    FSendBlocks.pop_front();
}

int TCustomWSocket::UnacknowledgedByteCount() {
    win::u_long count = 0;
    if (FSocketHandle == win::INVALID_SOCKET ||
        Winsock_ioctlsocket(FSocketHandle, win::SIOCOUTQ, &count) == win::SOCKET_ERROR)
        return -1;
    return static_cast<int>(count);
}

// Read afresh each time: the system grows the buffer as the connection speeds up.
int TCustomWSocket::SendBufferLessUnacknowledged() {
    int size = 0;
    int len = sizeof size;
    if (FSocketHandle == win::INVALID_SOCKET ||
        Winsock_getsockopt(FSocketHandle, win::SOL_SOCKET, win::SO_SNDBUF, reinterpret_cast<char*>(&size), &len) ==
            win::SOCKET_ERROR)
        return -1;
    int held = UnacknowledgedByteCount();
    return held < 0 ? -1 : std::max(0, size - held);
}

int TCustomWSocket::RealSend(const void* Data, int Len) {
    if (FSocketType == win::SOCK_DGRAM)
        return Winsock_sendto(FSocketHandle, static_cast<const char*>(Data), Len, FSendFlags,
                              reinterpret_cast<const win::sockaddr*>(&FRemoteAddress), sizeof FRemoteAddress);
    return Winsock_send(FSocketHandle, static_cast<const char*>(Data), Len, FSendFlags);
}

int TCustomWSocket::RealSendBlocks(win::WSABUF* Buffers, int Count) {
    win::DWORD sent = 0;
    if (Winsock_WSASend(FSocketHandle, Buffers, static_cast<win::DWORD>(Count), &sent,
                        static_cast<win::DWORD>(FSendFlags), nullptr, nullptr) == win::SOCKET_ERROR)
        return win::SOCKET_ERROR;
    return static_cast<int>(sent);
}

// One send of what is queued: on a stream as many blocks as one call takes, else the first block alone (a
// datagram per block). The bytes WinSock took, 0, or SOCKET_ERROR; Offered is what was handed over.
int TCustomWSocket::SendQueued(int& Offered) {
    const bool gather = FSocketType == win::SOCK_STREAM && FSendBlocks.size() > 1;
    win::WSABUF buffers[MaxGatheredBlocks];
    int count = 0;
    Offered = 0;
    for (const auto& block : FSendBlocks) {
        int len = 0;
        const void* data = block->Peek(len);
        if (len <= 0)
            continue;
        if (count > 0 && len > MaxGatheredBytes - Offered)
            break;
        buffers[count++] = {static_cast<win::u_long>(len), const_cast<char*>(static_cast<const char*>(data))};
        Offered += len;
        if (!gather || count == MaxGatheredBlocks)
            break;
    }
    if (count == 1)
        return RealSend(buffers[0].buf, static_cast<int>(buffers[0].len));
    return RealSendBlocks(buffers, count);
}

// Takes Count sent bytes off the front of the queue; emptied blocks go, but the last one stays for reuse.
void TCustomWSocket::RemoveSent(int Count) {
    FBufferedByteCount = std::max(0, FBufferedByteCount - Count);
    while (Count > 0 && !FSendBlocks.empty()) {
        Count -= FSendBlocks.front()->Remove(Count);
        int left = 0;
        FSendBlocks.front()->Peek(left);
        if (left > 0 || FSendBlocks.size() == 1)
            break;
        DropFrontBlock();
    }
}

void TCustomWSocket::TryToSend() {
    std::lock_guard<std::recursive_mutex> guard(SendBufferLock());
    // The queue is looked at afresh on every pass: OnSendData may send more, close or abort.
    for (;;) {
        if (FSocketHandle == win::INVALID_SOCKET || FSendBlocks.empty()) {
            FAllSent = true;
            return;
        }
        int len = 0;
        FSendBlocks.front()->Peek(len);
        if (len <= 0) {
            if (FSendBlocks.size() > 1) {
                DropFrontBlock();
                continue;
            }
            FAllSent = true;  // the last block stays for reuse
            return;
        }
        int offered = 0;
        int n = SendQueued(offered);
        if (n > 0) {
            // The sent bytes leave the queue before anybody hears of them.
            RemoveSent(n);
            TriggerSendData(n);
            if (n < offered)
                return;
            continue;
        }
        if (n == 0)
            return;
        int error = Winsock_WSAGetLastError();
        if (error == win::WSAEWOULDBLOCK)
            return;
        if (error == win::WSAEINVAL || error == win::WSAENOTSOCK || error == win::WSAECONNABORTED ||
            error == win::WSAECONNRESET || error == win::WSAENOTCONN) {
            if (CheckLogOptions(loWsockErr))
                DebugLog(loWsockErr, Name + " Winsock.Send failed " + IntToStr(error));
            FCloseInvoked = true;
            Close();
            TriggerSessionClosed(static_cast<win::WORD>(error));
            return;
        }
        return ReportSocketError("TryToSend failed");
    }
}

int TCustomWSocket::Send(const void* Data, int Len) {
    if (FState != wsConnected && FState != wsSocksConnected) {
        Winsock_WSASetLastError(win::WSAENOTCONN);
        ReportSocketError("Send");
        return -1;
    }
    FAllSent = false;
    int result = 0;
    if (Len > 0) {
        PutDataInSendBuffer(Data, Len);
        result = Len;
    }
    TryToSend();
    // Posted rather than raised here, so a data-sent handler never runs nested inside Send.
    if (FAllSent && FWindowHandle)
        win::PostMessageA(FWindowHandle, WM_SOCKET_SELECT, FSocketHandle, win::WSAMAKESELECTREPLY(win::FD_WRITE, 0));
    return result;
}

int TCustomWSocket::SendStr(const std::string& Str) {
    if (Str.empty())
        return 0;
    return Send(Str.data(), static_cast<int>(Str.size()));
}

int TCustomWSocket::SendTo(const win::sockaddr_in& Dest, int DestLen, const void* Data, int Len) {
    int result = Winsock_sendto(FSocketHandle, static_cast<const char*>(Data), Len, FSendFlags,
                                reinterpret_cast<const win::sockaddr*>(&Dest), DestLen);
    if (result > 0) {
        TriggerSendData(result);
        if (FAllSent && FSocketType == win::SOCK_DGRAM && FWindowHandle)
            win::PostMessageA(FWindowHandle, WM_SOCKET_SELECT, FSocketHandle,
                              win::WSAMAKESELECTREPLY(win::FD_WRITE, 0));
    }
    return result;
}
