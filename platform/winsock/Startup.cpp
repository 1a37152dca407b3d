// Start-up, clean-up, the per-thread last error and byte order.
#include <atomic>
#include <cstring>

#include "platform/winsock/Internal.h"
#include "platform/winsock/WinSock.h"

namespace win {

namespace {

std::atomic<int> startups{0};

constexpr WORD kHighestVersion = 0x0202;  // 2.2

}  // namespace

namespace winsock {

bool RequireStarted() {
    if (startups.load() > 0)
        return true;
    SetLastError(WSANOTINITIALISED);
    return false;
}

}  // namespace winsock

int WSAStartup(WORD versionRequested, WSADATA* data) {
    BYTE major = static_cast<BYTE>(versionRequested & 0xFF);
    BYTE minor = static_cast<BYTE>(versionRequested >> 8);
    if (major < 1)
        return WSAVERNOTSUPPORTED;
    if (!data)
        return WSAEFAULT;
    WORD version = (major > 2 || (major == 2 && minor > 2)) ? kHighestVersion : versionRequested;
    std::memset(data, 0, sizeof *data);
    data->wVersion = version;
    data->wHighVersion = kHighestVersion;
    std::strcpy(data->szDescription, "WinSock 2.0");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 0;
    data->iMaxUdpDg = 0;
    ++startups;
    return 0;
}

int WSACleanup() {
    int left = --startups;
    if (left < 0) {
        ++startups;
        return winsock::Fail(WSANOTINITIALISED);
    }
    if (left == 0) {
        winsock::CancelAllLookups();
        winsock::CloseAllSockets();
    }
    return 0;
}

void WSASetLastError(int error) {
    SetLastError(static_cast<DWORD>(error));
}

int WSAGetLastError() {
    return static_cast<int>(GetLastError());
}

u_short htons(u_short value) {
    return static_cast<u_short>((value << 8) | (value >> 8));
}

u_short ntohs(u_short value) {
    return htons(value);
}

u_long htonl(u_long value) {
    return __builtin_bswap32(value);
}

u_long ntohl(u_long value) {
    return htonl(value);
}

}  // namespace win
