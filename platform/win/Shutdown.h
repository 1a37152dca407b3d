#pragma once
// Restarting the machine, as a program asks for it: the request is written to the machine root's journal
// together with the run-once commands the next logon would run, and nothing is performed. The token
// privilege calls a restart needs first simply succeed.

#include "platform/win/WinTypes.h"

namespace win {

constexpr UINT EWX_LOGOFF = 0x00;
constexpr UINT EWX_SHUTDOWN = 0x01;
constexpr UINT EWX_REBOOT = 0x02;
constexpr UINT EWX_FORCE = 0x04;
constexpr UINT EWX_POWEROFF = 0x08;

constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
constexpr const char* SE_SHUTDOWN_NAME = "SeShutdownPrivilege";
constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;

struct LUID {
    DWORD LowPart = 0;
    LONG HighPart = 0;
};
struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes = 0;
};
struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount = 0;
    LUID_AND_ATTRIBUTES Privileges[1];
};

HANDLE GetCurrentProcess();  // the pseudo handle of the calling process
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);
BOOL LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid);  // knows SE_SHUTDOWN_NAME
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength);  // last error 0 on success

// Journals "restart" (EWX_REBOOT), "shut down" (EWX_SHUTDOWN, EWX_POWEROFF) or "log off" with the flags,
// then one line "run-once <ROOT> "name"="command"" for each run-once value of both hives. FALSE when the
// journal cannot be written.
BOOL ExitWindowsEx(UINT flags, DWORD reason);

}  // namespace win
