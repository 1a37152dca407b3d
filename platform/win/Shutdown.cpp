#include "platform/win/Shutdown.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/Handles.h"
#include "platform/win/MachineRoot.h"
#include "platform/win/RegistryHive.h"
#include "platform/win/WinReg.h"

namespace win {

namespace {

constexpr HANDLE CurrentProcessPseudoHandle = static_cast<HANDLE>(-1);
constexpr DWORD SeShutdownPrivilege = 19;
constexpr const char* RunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

class Token : public KernelObject {};

std::string Action(UINT flags) {
    if (flags & EWX_REBOOT)
        return "restart";
    if (flags & (EWX_SHUTDOWN | EWX_POWEROFF))
        return "shut down";
    return "log off";
}

// The text values under the root's run-once key, as journal lines.
std::vector<std::string> RunOnceLines(HKEY root) {
    std::vector<std::string> lines;
    HKEY key;
    if (RegOpenKeyExA(root, RunOnceKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return lines;
    std::vector<char> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD type = 0, size = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            continue;
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name.data(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS)
            continue;
        data.resize(std::strlen(data.c_str()));
        lines.push_back("run-once " + RootKeyName(root) + " " + reg::QuoteRegString(name.data()) + "=" +
                        reg::QuoteRegString(data));
    }
    RegCloseKey(key);
    return lines;
}

}  // namespace

HANDLE GetCurrentProcess() {
    return CurrentProcessPseudoHandle;
}

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
    if (process != CurrentProcessPseudoHandle || !token) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *token = AddHandle(std::make_shared<Token>());
    return TRUE;
}

BOOL LookupPrivilegeValueA(const char*, const char* name, LUID* luid) {
    if (!name || !luid || std::strcmp(name, SE_SHUTDOWN_NAME) != 0) {
        SetLastError(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    *luid = LUID{SeShutdownPrivilege, 0};
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*, DWORD* returnLength) {
    if (!HandleObjectAs<Token>(token))
        return FALSE;
    if (returnLength)
        *returnLength = 0;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", flags);
    std::vector<std::string> lines{Action(flags) + " flags=" + hex};
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (auto& line : RunOnceLines(root))
            lines.push_back(std::move(line));
    for (const auto& line : lines)
        if (!AppendToJournal(line)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    return TRUE;
}

}  // namespace win
