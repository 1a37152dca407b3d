#include "platform/winsock/WinSockModule.h"

#include "platform/win/Modules.h"
#include "platform/winsock/WinSock.h"

namespace win {

namespace {

template <typename F>
FARPROC Entry(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

ModuleEntries Wsock32Entries() {
    return {
        {"WSAStartup", Entry(&WSAStartup)},
        {"WSACleanup", Entry(&WSACleanup)},
        {"WSASetLastError", Entry(&WSASetLastError)},
        {"WSAGetLastError", Entry(&WSAGetLastError)},
        {"WSACancelAsyncRequest", Entry(&WSACancelAsyncRequest)},
        {"WSAAsyncGetHostByName", Entry(&WSAAsyncGetHostByName)},
        {"WSAAsyncGetHostByAddr", Entry(&WSAAsyncGetHostByAddr)},
        {"WSAAsyncSelect", Entry(&WSAAsyncSelect)},
        {"getservbyname", Entry(&getservbyname)},
        {"getprotobyname", Entry(&getprotobyname)},
        {"gethostbyname", Entry(&gethostbyname)},
        {"gethostbyaddr", Entry(&gethostbyaddr)},
        {"socket", Entry(&socket)},
        {"shutdown", Entry(&shutdown)},
        {"setsockopt", Entry(&setsockopt)},
        {"getsockopt", Entry(&getsockopt)},
        {"sendto", Entry(&sendto)},
        {"send", Entry(&send)},
        {"ntohs", Entry(&ntohs)},
        {"ntohl", Entry(&ntohl)},
        {"htons", Entry(&htons)},
        {"htonl", Entry(&htonl)},
        {"listen", Entry(&listen)},
        {"ioctlsocket", Entry(&ioctlsocket)},
        {"inet_ntoa", Entry(&inet_ntoa)},
        {"inet_addr", Entry(&inet_addr)},
        {"getsockname", Entry(&getsockname)},
        {"getpeername", Entry(&getpeername)},
        {"connect", Entry(&connect)},
        {"closesocket", Entry(&closesocket)},
        {"bind", Entry(&bind)},
        {"accept", Entry(&accept)},
        {"recv", Entry(&recv)},
        {"recvfrom", Entry(&recvfrom)},
    };
}

const bool registeredAtLoad = (RegisterWinSockModules(), true);

}  // namespace

void RegisterWinSockModules() {
    ModuleEntries entries = Wsock32Entries();
    RegisterBuiltinModule("wsock32.dll", entries);
    entries.emplace("WSAIoctl", Entry(&WSAIoctl));
    entries.emplace("WSASend", Entry(&WSASend));
    RegisterBuiltinModule("ws2_32.dll", std::move(entries));
}

}  // namespace win
