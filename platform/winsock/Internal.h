#pragma once
// Helpers the entries of the WinSock stand-in share.

#include "platform/win/WinTypes.h"
#include "platform/winsock/WinSockErrors.h"

namespace win::winsock {

// WSAStartup has succeeded more often than WSACleanup was called; otherwise the last error is 10093.
bool RequireStarted();

// Sets the calling thread's last error and gives WinSock's failure value.
inline int Fail(int error) {
    SetLastError(static_cast<DWORD>(error));
    return -1;
}

// Ends the pending lookups and closes every socket: the last WSACleanup.
void CloseAllSockets();
void CancelAllLookups();

}  // namespace win::winsock
