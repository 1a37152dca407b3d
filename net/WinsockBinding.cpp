#include "net/WinsockBinding.h"

#include <atomic>
#include <climits>

#include "platform/win/DebugOutput.h"
#include "platform/win/Modules.h"
#include "platform/winsock/WinSockModule.h"

namespace {

const char* const kWsock32 = "wsock32.dll";
const char* const kWs2 = "ws2_32.dll";

enum EntryId {
    eWSAStartup,
    eWSACleanup,
    eWSASetLastError,
    eWSAGetLastError,
    eWSACancelAsyncRequest,
    eWSAAsyncGetHostByName,
    eWSAAsyncGetHostByAddr,
    eWSAAsyncSelect,
    egetservbyname,
    egetprotobyname,
    egethostbyname,
    egethostbyaddr,
    esocket,
    eshutdown,
    esetsockopt,
    egetsockopt,
    esendto,
    esend,
    entohs,
    elisten,
    eioctlsocket,
    eWSAIoctl,
    einet_ntoa,
    einet_addr,
    ehtons,
    ehtonl,
    egetsockname,
    egetpeername,
    econnect,
    eclosesocket,
    ebind,
    eaccept,
    erecv,
    erecvfrom,
    eWSASend,
    eEntryCount
};

const char* const kEntryNames[eEntryCount] = {"WSAStartup",
                                              "WSACleanup",
                                              "WSASetLastError",
                                              "WSAGetLastError",
                                              "WSACancelAsyncRequest",
                                              "WSAAsyncGetHostByName",
                                              "WSAAsyncGetHostByAddr",
                                              "WSAAsyncSelect",
                                              "getservbyname",
                                              "getprotobyname",
                                              "gethostbyname",
                                              "gethostbyaddr",
                                              "socket",
                                              "shutdown",
                                              "setsockopt",
                                              "getsockopt",
                                              "sendto",
                                              "send",
                                              "ntohs",
                                              "listen",
                                              "ioctlsocket",
                                              "WSAIoctl",
                                              "inet_ntoa",
                                              "inet_addr",
                                              "htons",
                                              "htonl",
                                              "getsockname",
                                              "getpeername",
                                              "connect",
                                              "closesocket",
                                              "bind",
                                              "accept",
                                              "recv",
                                              "recvfrom",
                                              "WSASend"};

struct UnitState {
    std::recursive_mutex windowClassLock;
    std::recursive_mutex winsockLock;
    std::recursive_mutex sendBufferLock;
    win::HMODULE wsock32 = 0;
    win::HMODULE ws2 = 0;
    win::WSADATA startupData{};
    win::BYTE reqVerLow = 1;
    win::BYTE reqVerHigh = 1;
    int useCount = 0;
    std::atomic<win::FARPROC> slots[eEntryCount] = {};
};

UnitState& unit() {
    static UnitState* u = new UnitState;  // used by static destructors of sockets still alive at exit
    return *u;
}

win::FARPROC Bound(EntryId id) {
    win::FARPROC proc = unit().slots[id].load();
    if (!proc) {
        bool winsock2 = id == eWSAIoctl || id == eWSASend;
        proc = winsock2 ? BindWinsock2Entry(kEntryNames[id]) : BindWinsockEntry(kEntryNames[id]);
        unit().slots[id].store(proc);
    }
    return proc;
}

template <typename F>
F Entry(EntryId id, F) {
    return reinterpret_cast<F>(Bound(id));
}

#define WINSOCK_CALL(name, ...) Entry(e##name, &win::name)(__VA_ARGS__)

std::string LastErrorText() {
    return IntToStr(win::GetLastError());
}

win::FARPROC ProcOrRaise(win::HMODULE module, const std::string& name, const char* library) {
    win::FARPROC proc = win::GetProcAddress(module, name.c_str());
    if (!proc)
        throw ESocketException("Procedure " + name + " not found in " + library + " Error #" + LastErrorText());
    return proc;
}

// The unit's start and end: announced on the debugger output; at the end WinSock is unloaded when no
// socket is left.
struct UnitLife {
    UnitLife() {
        win::RegisterWinSockModules();
        win::OutputDebugStringA("WSocket: unit initialization");
    }
    ~UnitLife() {
        if (WinsockUseCount() >= 1)
            return;
        try {
            UnloadWinsock();
        } catch (const std::exception&) {
            // nothing can be reported while the program ends
        }
    }
} unitLife;

}  // namespace

win::BYTE GetReqVerLow() {
    return unit().reqVerLow;
}
win::BYTE GetReqVerHigh() {
    return unit().reqVerHigh;
}
void SetReqVerLowValue(win::BYTE value) {
    unit().reqVerLow = value;
}
void SetReqVerHighValue(win::BYTE value) {
    unit().reqVerHigh = value;
}
bool Wsock32Loaded() {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    return unit().wsock32 != 0;
}
bool Ws2Loaded() {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    return unit().ws2 != 0;
}

std::recursive_mutex& WindowClassLock() {
    return unit().windowClassLock;
}
std::recursive_mutex& WinsockLock() {
    return unit().winsockLock;
}
std::recursive_mutex& SendBufferLock() {
    return unit().sendBufferLock;
}

win::FARPROC BindWinsockEntry(const std::string& Name) {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    UnitState& u = unit();
    if (u.wsock32 == 0) {
        win::HMODULE h = win::LoadLibraryA(kWsock32);
        if (!h)
            throw ESocketException(std::string("Unable to load ") + kWsock32 + " Error #" + LastErrorText());
        u.wsock32 = h;
        win::WORD version = static_cast<win::WORD>(u.reqVerLow | (u.reqVerHigh << 8));
        int result = Winsock_WSAStartup(version, &u.startupData);
        if (result != 0)
            throw ESocketException(Format("%s: WSAStartup error #%d", {kWsock32, result}));
    }
    if (Name.empty())
        return nullptr;
    return ProcOrRaise(u.wsock32, Name, kWsock32);
}

win::FARPROC BindWinsock2Entry(const std::string& Name) {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    UnitState& u = unit();
    if (u.ws2 == 0) {
        if (u.wsock32 == 0)
            BindWinsockEntry("");
        win::HMODULE h = win::LoadLibraryA(kWs2);
        if (!h)
            throw ESocketException(std::string("Unable to load ") + kWs2 + " Error #" + LastErrorText());
        u.ws2 = h;
    }
    if (Name.empty())
        return nullptr;
    return ProcOrRaise(u.ws2, Name, kWs2);
}

void UnloadWinsock() {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    UnitState& u = unit();
    if (u.wsock32 == 0 || u.useCount != 0)
        return;
    Winsock_WSACleanup();
    if (u.ws2 != 0) {
        win::FreeLibrary(u.ws2);
        u.ws2 = 0;
        u.slots[eWSAIoctl].store(nullptr);
        u.slots[eWSASend].store(nullptr);
    }
    win::FreeLibrary(u.wsock32);
    u.wsock32 = 0;
    for (auto& slot : u.slots)
        slot.store(nullptr);
}

void IncWinsockUseCount() {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    ++unit().useCount;
}

void DecWinsockUseCount() {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    --unit().useCount;
}

int WinsockUseCount() {
    std::lock_guard<std::recursive_mutex> guard(WinsockLock());
    return unit().useCount;
}

int Winsock_WSAStartup(win::WORD Version, win::WSADATA* Data) {
    return WINSOCK_CALL(WSAStartup, Version, Data);
}
int Winsock_WSACleanup() {
    return WINSOCK_CALL(WSACleanup);
}
void Winsock_WSASetLastError(int Error) {
    WINSOCK_CALL(WSASetLastError, Error);
}
int Winsock_WSAGetLastError() {
    return WINSOCK_CALL(WSAGetLastError);
}
int Winsock_WSACancelAsyncRequest(win::HANDLE Task) {
    return WINSOCK_CALL(WSACancelAsyncRequest, Task);
}
win::HANDLE Winsock_WSAAsyncGetHostByName(win::HWND Wnd, win::u_int Msg, const char* Name, char* Buf, int BufLen) {
    return WINSOCK_CALL(WSAAsyncGetHostByName, Wnd, Msg, Name, Buf, BufLen);
}
win::HANDLE Winsock_WSAAsyncGetHostByAddr(win::HWND Wnd, win::u_int Msg, const char* Addr, int Len, int Type, char* Buf,
                                          int BufLen) {
    return WINSOCK_CALL(WSAAsyncGetHostByAddr, Wnd, Msg, Addr, Len, Type, Buf, BufLen);
}
int Winsock_WSAAsyncSelect(win::SOCKET S, win::HWND Wnd, win::u_int Msg, long Events) {
    return WINSOCK_CALL(WSAAsyncSelect, S, Wnd, Msg, Events);
}
win::servent* Winsock_getservbyname(const char* Name, const char* Proto) {
    return WINSOCK_CALL(getservbyname, Name, Proto);
}
win::protoent* Winsock_getprotobyname(const char* Name) {
    return WINSOCK_CALL(getprotobyname, Name);
}
win::hostent* Winsock_gethostbyname(const char* Name) {
    return WINSOCK_CALL(gethostbyname, Name);
}
win::hostent* Winsock_gethostbyaddr(const char* Addr, int Len, int Type) {
    return WINSOCK_CALL(gethostbyaddr, Addr, Len, Type);
}
win::SOCKET Winsock_socket(int Af, int Type, int Protocol) {
    return WINSOCK_CALL(socket, Af, Type, Protocol);
}
int Winsock_shutdown(win::SOCKET S, int How) {
    return WINSOCK_CALL(shutdown, S, How);
}
int Winsock_setsockopt(win::SOCKET S, int Level, int OptName, const char* OptVal, int OptLen) {
    return WINSOCK_CALL(setsockopt, S, Level, OptName, OptVal, OptLen);
}
int Winsock_getsockopt(win::SOCKET S, int Level, int OptName, char* OptVal, int* OptLen) {
    return WINSOCK_CALL(getsockopt, S, Level, OptName, OptVal, OptLen);
}
int Winsock_sendto(win::SOCKET S, const char* Buf, int Len, int Flags, const win::sockaddr* To, int ToLen) {
    return WINSOCK_CALL(sendto, S, Buf, Len, Flags, To, ToLen);
}
int Winsock_send(win::SOCKET S, const char* Buf, int Len, int Flags) {
    return WINSOCK_CALL(send, S, Buf, Len, Flags);
}
int Winsock_WSASend(win::SOCKET S, win::WSABUF* Buffers, win::DWORD Count, win::DWORD* BytesSent, win::DWORD Flags,
                    void* Overlapped, void* Completion) {
    return WINSOCK_CALL(WSASend, S, Buffers, Count, BytesSent, Flags, Overlapped, Completion);
}
win::u_short Winsock_ntohs(win::u_short Value) {
    return WINSOCK_CALL(ntohs, Value);
}
int Winsock_listen(win::SOCKET S, int Backlog) {
    return WINSOCK_CALL(listen, S, Backlog);
}
int Winsock_ioctlsocket(win::SOCKET S, long Cmd, win::u_long* Arg) {
    return WINSOCK_CALL(ioctlsocket, S, Cmd, Arg);
}
int Winsock_WSAIoctl(win::SOCKET S, win::DWORD Code, void* InBuf, win::DWORD InSize, void* OutBuf, win::DWORD OutSize,
                     win::DWORD* BytesReturned, void* Overlapped, void* Completion) {
    return WINSOCK_CALL(WSAIoctl, S, Code, InBuf, InSize, OutBuf, OutSize, BytesReturned, Overlapped, Completion);
}
char* Winsock_inet_ntoa(win::in_addr In) {
    return WINSOCK_CALL(inet_ntoa, In);
}
win::u_long Winsock_inet_addr(const char* Text) {
    return WINSOCK_CALL(inet_addr, Text);
}
win::u_short Winsock_htons(win::u_short Value) {
    return WINSOCK_CALL(htons, Value);
}
win::u_long Winsock_htonl(win::u_long Value) {
    return WINSOCK_CALL(htonl, Value);
}
int Winsock_getsockname(win::SOCKET S, win::sockaddr* Name, int* NameLen) {
    return WINSOCK_CALL(getsockname, S, Name, NameLen);
}
int Winsock_getpeername(win::SOCKET S, win::sockaddr* Name, int* NameLen) {
    return WINSOCK_CALL(getpeername, S, Name, NameLen);
}
int Winsock_connect(win::SOCKET S, const win::sockaddr* Name, int NameLen) {
    return WINSOCK_CALL(connect, S, Name, NameLen);
}
int Winsock_closesocket(win::SOCKET S) {
    return WINSOCK_CALL(closesocket, S);
}
int Winsock_bind(win::SOCKET S, const win::sockaddr* Name, int NameLen) {
    return WINSOCK_CALL(bind, S, Name, NameLen);
}
win::SOCKET Winsock_accept(win::SOCKET S, win::sockaddr* Addr, int* AddrLen) {
    return WINSOCK_CALL(accept, S, Addr, AddrLen);
}
int Winsock_recv(win::SOCKET S, char* Buf, int Len, int Flags) {
    return WINSOCK_CALL(recv, S, Buf, Len, Flags);
}
int Winsock_recvfrom(win::SOCKET S, char* Buf, int Len, int Flags, win::sockaddr* From, int* FromLen) {
    return WINSOCK_CALL(recvfrom, S, Buf, Len, Flags, From, FromLen);
}

namespace {

// Holds the use count up for one call, released on every way out.
struct CountedCall {
    CountedCall() { IncWinsockUseCount(); }
    ~CountedCall() { DecWinsockUseCount(); }
    CountedCall(const CountedCall&) = delete;
    CountedCall& operator=(const CountedCall&) = delete;
};

}  // namespace

int WinsockSafe_getsockopt(win::SOCKET S, int Level, int OptName, char* OptVal, int* OptLen) {
    CountedCall counted;
    return Winsock_getsockopt(S, Level, OptName, OptVal, OptLen);
}
win::u_short WinsockSafe_ntohs(win::u_short Value) {
    CountedCall counted;
    return Winsock_ntohs(Value);
}
int WinsockSafe_WSAIoctl(win::SOCKET S, win::DWORD Code, void* InBuf, win::DWORD InSize, void* OutBuf,
                         win::DWORD OutSize, win::DWORD* BytesReturned, void* Overlapped, void* Completion) {
    CountedCall counted;
    return Winsock_WSAIoctl(S, Code, InBuf, InSize, OutBuf, OutSize, BytesReturned, Overlapped, Completion);
}
char* WinsockSafe_inet_ntoa(win::in_addr In) {
    CountedCall counted;
    return Winsock_inet_ntoa(In);
}
win::u_long WinsockSafe_htonl(win::u_long Value) {
    CountedCall counted;
    return Winsock_htonl(Value);
}

bool IsDecimalDigit(char C) {
    return C >= '0' && C <= '9';
}

int ParseDecimalPrefix(const std::string& S) {
    size_t i = 0;
    while (i < S.size() && S[i] == ' ')
        ++i;
    long long value = 0;
    for (; i < S.size() && IsDecimalDigit(S[i]); ++i) {
        value = value * 10 + (S[i] - '0');
        if (value > INT_MAX)
            value = INT_MAX;  // saturate: a long digit run must not wrap into a small number
    }
    return static_cast<int>(value);
}

bool IsDottedQuad(const std::string& S) {
    size_t i = 0;
    while (i < S.size() && S[i] == ' ')
        ++i;
    int dots = 0;
    long long part = 0;
    bool digits = false;
    for (; i < S.size(); ++i) {
        char c = S[i];
        if (IsDecimalDigit(c)) {
            part = part * 10 + (c - '0');
            if (part > 255)
                return false;
            digits = true;
        } else if (c == '.') {
            if (!digits || dots == 3)
                return false;
            ++dots;
            part = 0;
            digits = false;
        } else if (c == ' ') {
            break;
        } else {
            return false;
        }
    }
    for (; i < S.size(); ++i)
        if (S[i] != ' ')
            return false;
    return dots == 3 && digits;
}
