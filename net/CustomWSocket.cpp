// TCustomWSocket: construction, the hidden window, properties, events, error reports and the dispatch of
// WinSock's notifications.
#include "net/CustomWSocket.h"

#include <cstring>

#include "net/BgException.h"

namespace {

win::LRESULT SocketWindowProc(win::HWND Window, win::UINT Message, win::WPARAM WParam, win::LPARAM LParam) {
    auto* owner = reinterpret_cast<TCustomWSocket*>(win::GetWindowLongPtrA(Window, 0));
    if (!owner)
        return win::DefWindowProcA(Window, Message, WParam, LParam);
    win::TMessage msg{Message, WParam, LParam, 0};
    owner->WndProc(msg);
    return msg.Result;
}

std::string HexIdentity(const void* object) {
    return IntToHex(reinterpret_cast<uintptr_t>(object) & 0xFFFFFFFF, 8);
}

std::string SelectEventNames(win::WORD events) {
    std::string names;
    if (events & win::FD_CONNECT)
        names += " FD_CONNECT";
    if (events & win::FD_READ)
        names += " FD_READ";
    if (events & win::FD_WRITE)
        names += " FD_WRITE";
    if (events & win::FD_CLOSE)
        names += " FD_CLOSE";
    if (events & win::FD_ACCEPT)
        names += " FD_ACCEPT";
    return names;
}

}  // namespace

win::HWND CreateSocketWindow(TCustomWSocket* Owner) {
    win::HINSTANCE instance = win::GetModuleInstance();
    {
        std::lock_guard<std::recursive_mutex> guard(WindowClassLock());
        win::WNDCLASSA existing;
        if (!win::GetClassInfoA(instance, SocketWindowClassName, &existing)) {
            win::WNDCLASSA wc;
            wc.style = 0;
            wc.lpfnWndProc = SocketWindowProc;
            wc.cbClsExtra = 0;
            wc.cbWndExtra = 4;
            wc.hInstance = instance;
            wc.lpszClassName = SocketWindowClassName;
            if (!win::RegisterClassA(&wc))
                return 0;
        }
    }
    win::HWND window = win::CreateWindowExA(win::WS_EX_TOOLWINDOW, SocketWindowClassName, "", win::WS_POPUP, 0, 0, 0, 0,
                                            0, 0, instance, nullptr);
    if (window)
        win::SetWindowLongPtrA(window, 0, reinterpret_cast<win::LONG_PTR>(Owner));
    return window;
}

bool DestroySocketWindow(win::HWND Window) {
    win::SetWindowLongPtrA(Window, 0, 0);
    return win::DestroyWindow(Window) != win::FALSE;
}

void UnregisterSocketWindowClass() {
    std::lock_guard<std::recursive_mutex> guard(WindowClassLock());
    win::UnregisterClassA(SocketWindowClassName, win::GetModuleInstance());
}

win::HWND AllocateMethodWindow(win::TWndMethod Method) {
    return win::AllocateHWnd(std::move(Method));
}

void DeallocateMethodWindow(win::HWND Window) {
    win::DeallocateHWnd(Window);
}

TCustomWSocket::TCustomWSocket() {
    AllocateSocketHWnd();
    AssignDefaultValue();
    IncWinsockUseCount();
    FWinsockCounted = true;
}

TCustomWSocket::~TCustomWSocket() {
    BeginDestroy();
}

void TCustomWSocket::BeginDestroy() {
    if (FDestroyed)
        return;
    FDestroyed = true;
    FDestroying = true;
    try {
        CancelDnsLookup();
    } catch (const std::exception&) {
    }
    try {
        if (FState != wsClosed)
            Close();
    } catch (const std::exception&) {
        // a socket that goes away reports nothing
    }
    if (FNetLogger)
        FNetLogger->RemoveFreeNotification(this);
    if (FWinsockCounted) {
        std::lock_guard<std::recursive_mutex> guard(WinsockLock());
        DecWinsockUseCount();
        FWinsockCounted = false;
        if (WinsockUseCount() < 1) {
            try {
                UnloadWinsock();
            } catch (const std::exception&) {
            }
        }
    }
    DiscardSendBlocks();
    DeallocateSocketHWnd();
    bool last;
    {
        std::lock_guard<std::recursive_mutex> guard(WinsockLock());
        last = WinsockUseCount() < 1;
    }
    if (last)
        UnregisterSocketWindowClass();
}

void TCustomWSocket::AllocateSocketHWnd() {
    FWindowHandle = CreateSocketWindow(this);
    FThreadId = win::GetCurrentThreadId();
    if (FWindowHandle == 0)
        RaiseException("Cannot create a hidden window for TWSocket");
}

void TCustomWSocket::DeallocateSocketHWnd() {
    if (FWindowHandle != 0 && DestroySocketWindow(FWindowHandle))
        FWindowHandle = 0;
}

// Properties ---------------------------------------------------------------------------------------------

bool TCustomWSocket::CheckClosed(const char* Property) {
    if (FState == wsClosed)
        return true;
    RaiseException(std::string("Cannot change ") + Property + " if not closed");
    return false;
}

void TCustomWSocket::SetRemotePart(const char* Property, const std::string& Value, std::string& Field, bool& Assigned,
                                   bool& Resolved) {
    if (Assigned && Value == Field)
        return;
    if (!CheckClosed(Property))
        return;
    Field = Trim(Value);
    Resolved = false;
    Assigned = !Field.empty();
}

void TCustomWSocket::SetAddr(const std::string& Value) {
    SetRemotePart("Addr", Value, FAddr, FAddrAssigned, FAddrResolved);
}

void TCustomWSocket::SetPort(const std::string& Value) {
    SetRemotePart("Port", Value, FPort, FPortAssigned, FPortResolved);
}

void TCustomWSocket::SetProto(const std::string& Value) {
    SetRemotePart("Proto", Value, FProto, FProtoAssigned, FProtoResolved);
}

void TCustomWSocket::SetLocalPort(const std::string& Value) {
    if (!CheckClosed("LocalPort"))
        return;
    FLocalPort = Value;
    FLocalPortResolved = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& Value) {
    if (!CheckClosed("LocalAddr"))
        return;
    FLocalAddr = Value.empty() ? "0.0.0.0" : Value;
}

TSocketSendFlags TCustomWSocket::SendFlags() {
    if (FSendFlags == 0)
        return wsSendNormal;
    if (FSendFlags == win::MSG_OOB)
        return wsSendUrgent;
    RaiseException("Invalid internal SendFlags");
    return wsSendNormal;
}

void TCustomWSocket::SetSendFlags(int Value) {
    if (Value == wsSendNormal)
        FSendFlags = 0;
    else if (Value == wsSendUrgent)
        FSendFlags = win::MSG_OOB;
    else
        RaiseException("Invalid SendFlags");
}

void TCustomWSocket::SetNetLogger(TNetLogger* Value) {
    if (FNetLogger)
        FNetLogger->RemoveFreeNotification(this);
    FNetLogger = Value;
    if (FNetLogger)
        FNetLogger->FreeNotification(this, [this] { FNetLogger = nullptr; });
}

win::BYTE TCustomWSocket::ReqVerLow() const {
    return GetReqVerLow();
}
win::BYTE TCustomWSocket::ReqVerHigh() const {
    return GetReqVerHigh();
}

void TCustomWSocket::SetReqVerLow(win::BYTE Value) {
    if (Wsock32Loaded()) {
        RaiseException("SetReqVerLow: WinSock version can't be changed now");
        return;
    }
    SetReqVerLowValue(Value);
}

void TCustomWSocket::SetReqVerHigh(win::BYTE Value) {
    if (Wsock32Loaded()) {
        RaiseException("SetReqVerHigh: WinSock version can't be changed now");
        return;
    }
    SetReqVerHighValue(Value);
}

void TCustomWSocket::AssignDefaultValue() {
    std::memset(&FRemoteAddress, 0, sizeof FRemoteAddress);
    FRemoteAddress.sin_family = win::AF_INET;
    FAddrFamily = win::AF_INET;
    FPortAssigned = FAddrAssigned = FAddrResolved = FPortResolved = FProtoResolved = FLocalPortResolved = false;
    FProtoAssigned = true;
    FProtoNumber = win::IPPROTO_TCP;
    FProto = "tcp";
    FSocketType = win::SOCK_STREAM;
    FLocalPort = "0";
    FLocalAddr = "0.0.0.0";
    LingerOnOff = wsLingerOn;
    LingerTimeout = 0;
    FSocketHandle = win::INVALID_SOCKET;
    FSelectEvent = 0;
    FState = wsClosed;
    FAllSent = true;
    FPaused = false;
    FReadCount = 0;
    FCloseInvoked = false;
    FlushTimeout = 60;
}

// Errors and events --------------------------------------------------------------------------------------

void TCustomWSocket::RaiseException(const std::string& Msg) {
    if (OnError) {
        TriggerError();
        return;
    }
    throw ESocketException(Msg);
}

void TCustomWSocket::RaiseExceptionFmt(std::string_view Fmt, std::initializer_list<TVarRec> Args) {
    if (OnError) {
        TriggerError();
        return;
    }
    throw ESocketException(Format(Fmt, Args));
}

void TCustomWSocket::ReportSocketError(const std::string& FunctionName) {
    int n = Winsock_WSAGetLastError();
    std::string text = "Error " + IntToStr(n) + " in function " + FunctionName + "\r\n" + SocketErrorText(n);
    if (n == win::WSAECONNRESET || n == win::WSAENOTCONN) {
        Winsock_closesocket(FSocketHandle);
        FSocketHandle = win::INVALID_SOCKET;
        if (FState != wsClosed)
            TriggerSessionClosed(static_cast<win::WORD>(n));
        SetSocketState(wsClosed);
    }
    FLastError = n;
    RaiseException(text);
}

void TCustomWSocket::HandleBackGroundException(const Exception& E) {
    AbortAfterBgException(*this, OnBgException, E);
}

void TCustomWSocket::SetSocketState(TSocketState NewState) {
    TSocketState old = FState;
    FState = NewState;
    if (old != NewState)
        TriggerChangeState(old, NewState);
}

bool TCustomWSocket::CheckLogOptions(TLogOption Option) {
    return FNetLogger && FNetLogger->LogOptions().count(Option) != 0;
}

void TCustomWSocket::DebugLog(TLogOption Option, const std::string& Msg) {
    if (FNetLogger)
        FNetLogger->DoLog(this, Option, Msg);
}

bool TCustomWSocket::TriggerDataAvailable(win::WORD ErrCode) {
    if (!OnDataAvailable)
        return false;
    OnDataAvailable(this, ErrCode);
    return true;
}

void TCustomWSocket::TriggerSessionAvailable(win::WORD ErrCode) {
    if (OnSessionAvailable)
        OnSessionAvailable(this, ErrCode);
}

void TCustomWSocket::DoSessionConnected(win::WORD ErrCode) {
    TriggerSessionConnected(ErrCode);
}

void TCustomWSocket::TriggerSessionConnected(win::WORD ErrCode) {
    if (OnSessionConnected)
        OnSessionConnected(this, ErrCode);
}

void TCustomWSocket::TriggerSessionClosed(win::WORD ErrCode) {
    if (OnSessionClosed)
        OnSessionClosed(this, ErrCode);
}

void TCustomWSocket::TriggerDataSent(win::WORD ErrCode) {
    if (CheckLogOptions(loWsockDump))
        DebugLog(loWsockDump, HexIdentity(this) + " TriggerDataSent " + IntToStr(static_cast<int64_t>(FSocketHandle)));
    if (OnDataSent)
        OnDataSent(this, ErrCode);
}

void TCustomWSocket::TriggerSendData(int BytesSent) {
    if (OnSendData)
        OnSendData(this, BytesSent);
}

void TCustomWSocket::TriggerChangeState(TSocketState OldState, TSocketState NewState) {
    if (OnChangeState)
        OnChangeState(this, OldState, NewState);
}

void TCustomWSocket::TriggerDnsLookupDone(win::WORD ErrCode) {
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, ErrCode);
}

void TCustomWSocket::TriggerError() {
    if (OnError)
        OnError(this);
}

// The window and WinSock's notifications ------------------------------------------------------------------

void TCustomWSocket::WndProc(win::TMessage& Msg) {
    try {
        switch (Msg.Msg) {
            case WM_SOCKET_SELECT:
                HandleAsyncSelect(Msg);
                break;
            case WM_SOCKET_DNS_DONE:
                HandleDnsLookupDone(Msg);
                break;
            case WM_SOCKET_REVERSE_DNS_DONE:
                HandleReverseDnsLookupDone(Msg);
                break;
            case WM_SOCKET_CLOSE_DELAYED:
                Close();
                break;
            case WM_SOCKET_RELEASE:
                delete this;
                return;
            case WM_SOCKET_TEST_EXCEPTION:
                throw ESocketException("Test exception in WSocket");
            default:
                Msg.Result = win::DefWindowProcA(FWindowHandle, Msg.Msg, Msg.WParam, Msg.LParam);
                break;
        }
    } catch (const Exception& e) {
        HandleBackGroundException(e);
    }
}

void TCustomWSocket::HandleAsyncSelect(win::TMessage& Msg) {
    win::WORD events = win::WSAGETSELECTEVENT(Msg.LParam);
    win::WORD error = win::WSAGETSELECTERROR(Msg.LParam);
    if (CheckLogOptions(loWsockDump))
        DebugLog(loProtSpecDump, "AsyncSelect CtrlSocket" + IntToStr(static_cast<int64_t>(Msg.WParam)) + ", " +
                                     IntToStr(events) + SelectEventNames(events));
    if (Msg.WParam != FSocketHandle || FPaused)
        return;
    if (events & win::FD_CONNECT)
        HandleFdConnect(Msg, error);
    if (events & win::FD_READ)
        HandleFdRead(Msg, error);
    if (events & win::FD_WRITE)
        HandleFdWrite(Msg, error);
    if (events & win::FD_ACCEPT)
        HandleFdAccept(Msg, error);
    if (events & win::FD_CLOSE)
        HandleFdClose(Msg, error);
}

void TCustomWSocket::HandleFdConnect(win::TMessage&, win::WORD ErrCode) {
    if (FState == wsConnected)
        return;
    SetSocketState(wsConnected);
    DoSessionConnected(ErrCode);
    if (ErrCode != 0 && FState != wsClosed)
        Close();
}

void TCustomWSocket::HandleFdRead(win::TMessage&, win::WORD ErrCode) {
    if (FState != wsConnected) {
        SetSocketState(wsConnected);
        DoSessionConnected(ErrCode);
    }
    ReceiveLoop(ErrCode, ComponentOptions);
}

void TCustomWSocket::HandleFdWrite(win::TMessage&, win::WORD ErrCode) {
    TryToSend();
    if (FAllSent)
        TriggerDataSent(ErrCode);
}

void TCustomWSocket::HandleFdAccept(win::TMessage&, win::WORD ErrCode) {
    TriggerSessionAvailable(ErrCode);
}

void TCustomWSocket::HandleFdClose(win::TMessage&, win::WORD ErrCode) {
    if (FState == wsConnecting || FSocketHandle == win::INVALID_SOCKET)
        return;
    TWSocketOptions options = ComponentOptions;
    options.erase(wsoNoReceiveLoop);
    ReceiveLoop(0, options);  // every byte still waiting is delivered first
    if (!FCloseInvoked) {
        FCloseInvoked = true;
        TriggerSessionClosed(ErrCode);
    }
    if (FState != wsClosed)
        Close();
}

void TCustomWSocket::ReceiveLoop(win::WORD ErrCode, const TWSocketOptions& Options) {
    try {
        for (;;) {
            FLastError = 0;
            if (!TriggerDataAvailable(ErrCode)) {
                char junk[1024];
                if (DoRecv(junk, sizeof junk, 0) < 0 && Winsock_WSAGetLastError() == win::WSAEWOULDBLOCK) {
                    FLastError = 0;
                    return;
                }
            }
            if (Options.count(wsoNoReceiveLoop))
                return;
            if (FLastError != 0) {
                if (FLastError == -1)
                    FLastError = 0;
                return;
            }
            if (FSocketHandle == win::INVALID_SOCKET)
                return;
            win::u_long waiting = 0;
            if (Winsock_ioctlsocket(FSocketHandle, win::FIONREAD, &waiting) == win::SOCKET_ERROR) {
                FLastError = Winsock_WSAGetLastError();
                return;
            }
            if (waiting == 0)
                return;
        }
    } catch (const std::exception&) {
        // an exception of the data handler only ends the loop
    }
}

// Receiving ----------------------------------------------------------------------------------------------

int TCustomWSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    return Winsock_recv(FSocketHandle, static_cast<char*>(Buffer), BufferSize, Flags);
}

int TCustomWSocket::Receive(void* Buffer, int BufferSize) {
    int n = DoRecv(Buffer, BufferSize, 0);
    if (n < 0)
        FLastError = Winsock_WSAGetLastError();
    else
        FReadCount += n;
    return n;
}

std::string TCustomWSocket::ReceiveStr() {
    int n = GetRcvdCount();
    if (n < 0)
        return std::string();
    if (n == 0)
        n = 255;
    std::string s(static_cast<size_t>(n), '\0');
    int got = Receive(s.data(), n);
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

int TCustomWSocket::DoRecvFrom(win::SOCKET Socket, void* Buffer, int BufferSize, int Flags, win::sockaddr_in& From,
                               int& FromLen) {
    return Winsock_recvfrom(Socket, static_cast<char*>(Buffer), BufferSize, Flags,
                            reinterpret_cast<win::sockaddr*>(&From), &FromLen);
}

int TCustomWSocket::ReceiveFrom(void* Buffer, int BufferSize, win::sockaddr_in& From, int& FromLen) {
    int n = DoRecvFrom(FSocketHandle, Buffer, BufferSize, 0, From, FromLen);
    if (n < 0)
        FLastError = Winsock_WSAGetLastError();
    else
        FReadCount += n;
    return n;
}

int TCustomWSocket::GetRcvdCount() {
    win::u_long waiting = 0;
    if (Winsock_ioctlsocket(FSocketHandle, win::FIONREAD, &waiting) == win::SOCKET_ERROR) {
        ReportSocketError("ioctlSocket");
        return -1;
    }
    return static_cast<int>(waiting);
}

// Addresses ----------------------------------------------------------------------------------------------

bool TCustomWSocket::ConnectedPeer(win::sockaddr_in& Peer, const char* Caller) {
    if (FState != wsConnected)
        return false;
    int len = sizeof Peer;
    if (Winsock_getpeername(FSocketHandle, reinterpret_cast<win::sockaddr*>(&Peer), &len) == 0)
        return true;
    ReportSocketError(Caller);
    return false;
}

std::string TCustomWSocket::GetPeerAddr() {
    win::sockaddr_in peer{};
    return ConnectedPeer(peer, "GetPeerAddr") ? Winsock_inet_ntoa(peer.sin_addr) : "error";
}

std::string TCustomWSocket::GetPeerPort() {
    win::sockaddr_in peer{};
    return ConnectedPeer(peer, "GetPeerPort") ? IntToStr(Winsock_ntohs(peer.sin_port)) : "error";
}

int TCustomWSocket::GetPeerName(win::sockaddr_in& Name, int NameLen) {
    if (FState != wsConnected)
        return -1;
    return Winsock_getpeername(FSocketHandle, reinterpret_cast<win::sockaddr*>(&Name), &NameLen);
}

int TCustomWSocket::GetSockName(win::sockaddr_in& Name, int& NameLen) {
    return Winsock_getsockname(FSocketHandle, reinterpret_cast<win::sockaddr*>(&Name), &NameLen);
}

bool TCustomWSocket::BoundName(win::sockaddr_in& Name) {
    if (FState != wsBound && FState != wsConnected && FState != wsListening)
        return false;
    int len = sizeof Name;
    return GetSockName(Name, len) == 0;
}

std::string TCustomWSocket::GetBoundPort() {
    win::sockaddr_in name{};
    return BoundName(name) ? IntToStr(Winsock_ntohs(name.sin_port)) : "error";
}

std::string TCustomWSocket::GetBoundAddr() {
    win::sockaddr_in name{};
    return BoundName(name) ? Winsock_inet_ntoa(name.sin_addr) : "error";
}

// Threads and the message pump ---------------------------------------------------------------------------

void TCustomWSocket::MessagePump() {
    if (MultiThreaded)
        PumpPendingMessages();
    else
        win::Application::ProcessMessages();
}

bool TCustomWSocket::PumpOneMessage() {
    win::MSG msg;
    if (!win::PeekMessageA(&msg, 0, 0, 0, win::PM_REMOVE))
        return false;
    if (msg.message == win::WM_QUIT) {
        FTerminated = true;
        return true;
    }
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
    return true;
}

void TCustomWSocket::PumpPendingMessages() {
    while (PumpOneMessage()) {
    }
}

void TCustomWSocket::ThreadDetach() {
    if (win::GetCurrentThreadId() != FThreadId) {
        RaiseException("Cannot detach from other thread");
        return;
    }
    if (FSocketHandle != win::INVALID_SOCKET)
        Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, 0, 0);
    DeallocateSocketHWnd();
}

void TCustomWSocket::ThreadAttach() {
    if (FWindowHandle != 0) {
        RaiseException("Cannot attach when not detached");
        return;
    }
    AllocateSocketHWnd();
    if (FSocketHandle != win::INVALID_SOCKET)
        Winsock_WSAAsyncSelect(FSocketHandle, FWindowHandle, WM_SOCKET_SELECT, FSelectEvent);
}
