#pragma once
// TCustomWSocket, the base of net/: a socket that never blocks on the network. WinSock signals readiness to a
// hidden "XSocketWindowClass" window, so every handler and event runs from the message loop of the thread that
// made the socket. Outgoing bytes are queued in blocks and go out as fast as WinSock accepts them.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "net/NetLogger.h"
#include "net/WSockBuf.h"
#include "net/WinsockBinding.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Messages.h"

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsSocksConnected,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum TSocketKeepAliveOnOff { wsKeepAliveOff, wsKeepAliveOnCustom, wsKeepAliveOnSystem };
enum TWSocketOption { wsoNoReceiveLoop, wsoTcpNoDelay, wsoSIO_RCVALL };
using TWSocketOptions = std::set<TWSocketOption>;

class TCustomWSocket;
using TSessionConnected = std::function<void(TCustomWSocket* Sender, win::WORD ErrCode)>;
using TDataAvailable = TSessionConnected;
using TDataSent = TSessionConnected;
using TSessionClosed = TSessionConnected;
using TSessionAvailable = TSessionConnected;
using TDnsLookupDone = TSessionConnected;
using TSendData = std::function<void(TCustomWSocket* Sender, int BytesSent)>;
using TChangeState = std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TBgExceptionEvent = std::function<void(TCustomWSocket* Sender, const Exception& E, bool& CanClose)>;
using TWSocketNotifyEvent = std::function<void(TCustomWSocket* Sender)>;

// Messages of the hidden window.
constexpr win::UINT WM_SOCKET_SELECT = win::WM_USER + 1;
constexpr win::UINT WM_SOCKET_DNS_DONE = win::WM_USER + 2;
constexpr win::UINT WM_SOCKET_REVERSE_DNS_DONE = win::WM_USER + 3;
constexpr win::UINT WM_SOCKET_CLOSE_DELAYED = win::WM_USER + 4;
constexpr win::UINT WM_SOCKET_RELEASE = win::WM_USER + 5;
constexpr win::UINT WM_SOCKET_TEST_EXCEPTION = win::WM_USER + 6;

constexpr const char* SocketWindowClassName = "XSocketWindowClass";

// The hidden window of a socket and the utility windows of other components.
win::HWND CreateSocketWindow(TCustomWSocket* Owner);
bool DestroySocketWindow(win::HWND Window);
void UnregisterSocketWindowClass();
win::HWND AllocateMethodWindow(win::TWndMethod Method);
void DeallocateMethodWindow(win::HWND Window);

// The English description of a WinSock error code.
std::string SocketErrorText(int ErrCode);
// Resolvers: raise ESocketException on failure.
win::u_long WSocketResolveHost(const std::string& InAddr);  // network byte order
win::WORD WSocketResolvePort(const std::string& Port, const std::string& Proto);
int WSocketResolveProto(const std::string& Proto);

class TCustomWSocket {
public:
    TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;
    virtual ~TCustomWSocket();

    // Properties.
    std::string Name;  // the component's name, used in log lines
    std::string Addr() const { return FAddr; }
    void SetAddr(const std::string& Value);
    std::string Port() const { return FPort; }
    virtual void SetPort(const std::string& Value);
    std::string Proto() const { return FProto; }
    virtual void SetProto(const std::string& Value);
    std::string LocalAddr() const { return FLocalAddr; }
    void SetLocalAddr(const std::string& Value);
    std::string LocalPort() const { return FLocalPort; }
    void SetLocalPort(const std::string& Value);
    std::string PeerAddr() { return GetPeerAddr(); }
    std::string PeerPort() { return GetPeerPort(); }
    TSocketSendFlags SendFlags();
    void SetSendFlags(int Value);
    const std::string& DnsResult() const { return FDnsResult; }
    const TStringList& DnsResultList() const { return FDnsResultList; }
    TSocketState State() const { return FState; }
    int ReadCount() const { return FReadCount; }
    int RcvdCount() { return GetRcvdCount(); }
    int LastError() const { return FLastError; }
    void SetLastError(int Value) { FLastError = Value; }
    win::SOCKET SocketHandle() const { return FSocketHandle; }
    win::HWND WindowHandle() const { return FWindowHandle; }
    win::DWORD ThreadId() const { return FThreadId; }
    int BufferedByteCount() const { return FBufferedByteCount; }
    // Bytes handed to the system that the peer has not acknowledged yet: they fall as data leaves the
    // machine. -1 when the system cannot tell (no connected stream).
    int UnacknowledgedByteCount();
    // The system's send buffer size less the bytes it holds unacknowledged; -1 when either cannot be read. No
    // measure of what a send takes at once: the size also counts the system's overhead per packet, the held
    // bytes do not (on loopback it can read over a megabyte when a send takes nothing more).
    int SendBufferLessUnacknowledged();
    bool AllSent() const { return FAllSent; }
    bool Paused() const { return FPaused; }
    bool Terminated() const { return FTerminated; }
    int SendBufferSize() const { return FSendBufferSize; }
    int ReceiveBufferSize() const { return FReceiveBufferSize; }
    win::WORD PortNumber() const { return FPortNumber; }
    win::WORD LocalPortNumber() const { return FLocalPortNumber; }
    int SelectEvent() const { return FSelectEvent; }
    TNetLogger* NetLogger() const { return FNetLogger; }
    virtual void SetNetLogger(TNetLogger* Value);
    win::BYTE ReqVerLow() const;
    void SetReqVerLow(win::BYTE Value);
    win::BYTE ReqVerHigh() const;
    void SetReqVerHigh(win::BYTE Value);

    bool MultiThreaded = false;
    bool MultiCast = false;
    std::string MultiCastAddrStr;
    int MultiCastIpTTL = 1;
    bool ReuseAddr = false;
    TWSocketOptions ComponentOptions;
    int ListenBacklog = 5;
    int SendBlockSize = 1460;
    TSocketLingerOnOff LingerOnOff = wsLingerOn;
    int LingerTimeout = 0;
    TSocketKeepAliveOnOff KeepAliveOnOff = wsKeepAliveOnSystem;
    int KeepAliveTime = 30000;
    int KeepAliveInterval = 1000;
    int FlushTimeout = 60;
    int Tag2 = 0;
    bool GorbConnected = false;
    TDateTime ClosedTime = 0;

    // Events.
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TSessionClosed OnSessionClosed;
    TChangeState OnChangeState;
    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSendData OnSendData;
    TDnsLookupDone OnDnsLookupDone;
    TWSocketNotifyEvent OnError;
    TBgExceptionEvent OnBgException;

    // Sessions.
    virtual void Connect();
    virtual void Listen();
    virtual win::SOCKET Accept();
    virtual void Dup(win::SOCKET NewSocket);
    virtual void Close();
    virtual void CloseDelayed();
    virtual void ReleaseDelayed();  // for a socket made with new that nobody else owns: it deletes itself
    virtual void Abort();
    virtual void Flush();
    virtual void DrainUntilClosed();
    virtual void Shutdown(int How);
    virtual int Pause();
    virtual int Resume();
    virtual void MarkConnected();
    void ApplyLinger();
    void ApplyKeepAlive();

    // Transfer.
    virtual int Send(const void* Data, int Len);
    virtual int SendStr(const std::string& Str);
    virtual int SendTo(const win::sockaddr_in& Dest, int DestLen, const void* Data, int Len);
    virtual int Receive(void* Buffer, int BufferSize);
    virtual std::string ReceiveStr();
    virtual int ReceiveFrom(void* Buffer, int BufferSize, win::sockaddr_in& From, int& FromLen);
    virtual void PutDataInSendBuffer(const void* Data, int Len);

    // Addresses.
    virtual int GetPeerName(win::sockaddr_in& Name, int NameLen);
    virtual int GetSockName(win::sockaddr_in& Name, int& NameLen);
    virtual std::string GetBoundPort();
    virtual std::string GetBoundAddr();
    static bool TimevalIsSet(const win::timeval& tv) { return tv.tv_sec != 0 || tv.tv_usec != 0; }
    static void TimevalClear(win::timeval& tv) { tv.tv_sec = tv.tv_usec = 0; }
    static bool TimevalCompare(const win::timeval& a, const win::timeval& b, bool WantEqual) {
        bool equal = a.tv_sec == b.tv_sec && a.tv_usec == b.tv_usec;
        return equal == WantEqual;
    }

    // Name lookups.
    virtual void DnsLookup(const std::string& HostName);
    virtual void ReverseDnsLookup(const std::string& HostAddr);
    virtual void ReverseDnsLookupAlt(const std::string& HostAddr);
    virtual void CancelDnsLookup();

    // Threads and the message pump.
    virtual void MessagePump();
    bool PumpOneMessage();
    void PumpPendingMessages();
    virtual void ThreadAttach();
    virtual void ThreadDetach();

    virtual void WndProc(win::TMessage& Msg);

protected:
    // Runs the destruction steps while every layer of the object still exists; each layer's destructor
    // calls it, the first call does the work.
    void BeginDestroy();
    bool Destroying() const { return FDestroying; }

    virtual void DebugLog(TLogOption Option, const std::string& Msg);
    virtual bool CheckLogOptions(TLogOption Option);
    virtual void AllocateSocketHWnd();
    virtual void DeallocateSocketHWnd();
    virtual void TryToSend();
    void DiscardSendBlocks();
    virtual void AssignDefaultValue();
    // Connect has passed its refusals and goes on to open the socket: a layer that keeps state per session
    // starts it here, so a refused call leaves the session that is running alone.
    virtual void ConnectAccepted() {}
    virtual void InternalClose(bool Shut, win::WORD ErrCode);
    virtual void InternalAbort(win::WORD ErrCode);
    virtual int GetRcvdCount();
    virtual void BindSocket();
    virtual int RealSend(const void* Data, int Len);
    // Several queued blocks of a stream in one call (WSASend); as RealSend, the bytes taken or SOCKET_ERROR.
    virtual int RealSendBlocks(win::WSABUF* Buffers, int Count);
    virtual void RaiseExceptionFmt(std::string_view Fmt, std::initializer_list<TVarRec> Args);
    virtual void RaiseException(const std::string& Msg);
    virtual void HandleBackGroundException(const Exception& E);
    virtual bool TriggerDataAvailable(win::WORD ErrCode);
    virtual void TriggerSessionAvailable(win::WORD ErrCode);
    virtual void DoSessionConnected(win::WORD ErrCode);
    virtual void TriggerSessionConnected(win::WORD ErrCode);
    virtual void TriggerSessionClosed(win::WORD ErrCode);
    virtual void TriggerDataSent(win::WORD ErrCode);
    virtual void TriggerSendData(int BytesSent);
    virtual void TriggerChangeState(TSocketState OldState, TSocketState NewState);
    virtual void TriggerDnsLookupDone(win::WORD ErrCode);
    virtual void TriggerError();
    virtual int DoRecv(void* Buffer, int BufferSize, int Flags);
    virtual int DoRecvFrom(win::SOCKET Socket, void* Buffer, int BufferSize, int Flags, win::sockaddr_in& From,
                           int& FromLen);
    virtual void HandleFdConnect(win::TMessage& Msg, win::WORD ErrCode);
    virtual void HandleFdRead(win::TMessage& Msg, win::WORD ErrCode);
    virtual void HandleFdWrite(win::TMessage& Msg, win::WORD ErrCode);
    virtual void HandleFdAccept(win::TMessage& Msg, win::WORD ErrCode);
    virtual void HandleFdClose(win::TMessage& Msg, win::WORD ErrCode);
    virtual std::string GetPeerAddr();
    virtual std::string GetPeerPort();

    // A send of queued blocks gathers at most this many blocks and this many bytes (or one larger block).
    static constexpr int MaxGatheredBlocks = 256;
    static constexpr int MaxGatheredBytes = 1 << 20;
    // Emptied blocks kept for reuse, at most this many bytes of them.
    static constexpr int64_t MaxSpareBytes = 256 * 1024;
    int SendQueued(int& Offered);
    void RemoveSent(int Count);
    std::unique_ptr<TBuffer> NewSendBlock();
    void DropFrontBlock();

    void SetSocketState(TSocketState NewState);
    // The peer's address while connected; false otherwise, after reporting when the call failed.
    bool ConnectedPeer(win::sockaddr_in& Peer, const char* Caller);
    // False, after raising, unless the socket is closed: Property names what cannot change.
    bool CheckClosed(const char* Property);
    // Stores Addr, Port or Proto while closed; it is resolved again before the next use.
    void SetRemotePart(const char* Property, const std::string& Value, std::string& Field, bool& Assigned,
                       bool& Resolved);
    void ReportSocketError(const std::string& FunctionName);
    void HandleAsyncSelect(win::TMessage& Msg);
    void ReceiveLoop(win::WORD ErrCode, const TWSocketOptions& Options);
    void HandleDnsLookupDone(win::TMessage& Msg);
    void HandleReverseDnsLookupDone(win::TMessage& Msg);
    bool ProcessEarlyDnsReply();
    // Cancels the pending lookup, if any, and forgets it and the last results.
    void StartDnsLookupAfresh();
    // After a failed cancel: true when the lookup had ended already, its queued answer then dropped.
    bool DropEndedDnsLookup();
    // Takes the address of a reverse lookup and starts afresh; false, after raising, for a text that is none.
    bool BeginReverseDnsLookup(const std::string& HostAddr, win::u_long& Address);
    // Resolves the stale parts of RemoteAddress for Connect (connect = true) or Listen.
    void ResolveRemote(bool ForConnect);
    // Resolves, then opens a fresh socket for Connect or Listen; false, after reporting, when either fails.
    bool OpenSocket(bool ForConnect);
    // Reads the socket's send and receive buffer sizes; false, after reporting, when it cannot.
    bool ReadBufferSizes();
    // Reports WSAEINVAL for a call that cannot be made now.
    void ReportInvalidCall(const std::string& What);
    // Closes the socket a failed Listen made, then reports the failure of FunctionName.
    void ReportListenFailure(const std::string& FunctionName);
    void DropListenSocket();
    // False, after reporting and closing the socket, when the group cannot be joined.
    bool JoinMultiCastGroup();

    std::string FAddr;
    std::string FPort;
    std::string FProto = "tcp";
    std::string FLocalAddr = "0.0.0.0";
    std::string FLocalPort = "0";
    bool FAddrAssigned = false;
    bool FAddrResolved = false;
    bool FPortAssigned = false;
    bool FPortResolved = false;
    bool FProtoAssigned = true;
    bool FProtoResolved = false;
    bool FLocalPortResolved = false;
    int FAddrFamily = win::AF_INET;
    int FProtoNumber = win::IPPROTO_TCP;
    int FSocketType = win::SOCK_STREAM;
    win::WORD FPortNumber = 0;
    win::WORD FLocalPortNumber = 0;
    win::sockaddr_in FRemoteAddress{};

    win::SOCKET FSocketHandle = win::INVALID_SOCKET;
    win::HWND FWindowHandle = 0;
    win::DWORD FThreadId = 0;
    TSocketState FState = wsClosed;
    int FSendFlags = 0;
    int FLastError = 0;
    int FSelectEvent = 0;
    int FReadCount = 0;
    bool FPaused = false;
    bool FCloseInvoked = false;
    bool FTerminated = false;
    bool FAllSent = true;
    int FSendBufferSize = 0;
    int FReceiveBufferSize = 0;

    std::deque<std::unique_ptr<TBuffer>> FSendBlocks;
    std::vector<std::unique_ptr<TBuffer>> FSpareBlocks;
    int FBufferedByteCount = 0;

    std::string FDnsResult;
    TStringList FDnsResultList;
    alignas(8) char FDnsBuffer[1025] = {};
    win::HANDLE FDnsLookupHandle = 0;
    bool FEarlyDnsReplyPending = false;
    win::TMessage FEarlyDnsReply;

    TNetLogger* FNetLogger = nullptr;

private:
    // The address the socket is bound to, once it is bound, connected or listening.
    bool BoundName(win::sockaddr_in& Name);

    bool FDestroying = false;
    bool FDestroyed = false;
    bool FWinsockCounted = false;
};
