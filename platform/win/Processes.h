#pragma once
// Starting programs: posix_spawn with an argument vector, never through a shell, so no argument is ever
// split or interpreted. Process handles come from the kernel object table; a process whose handles are all
// closed before it ends is still reaped when it ends.

#include <string>
#include <vector>

#include "platform/win/Messages.h"
#include "platform/win/WinTypes.h"

namespace win {

constexpr DWORD CREATE_DEFAULT_ERROR_MODE = 0x04000000;
constexpr DWORD STILL_ACTIVE = 259;

struct PROCESS_INFORMATION {
    HANDLE hProcess = 0;
    HANDLE hThread = 0;  // always 0: no thread handles here
    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
};

// Starts argv[0] (searched in PATH when it holds no "/") with argv as its arguments and the caller's
// environment; in currentDirectory when that is not null. FALSE with ERROR_FILE_NOT_FOUND when the program
// cannot be started.
BOOL CreateProcessA(const std::vector<std::string>& argv, const char* currentDirectory, PROCESS_INFORMATION* info);
// For process handles: WAIT_OBJECT_0 once it has ended, WAIT_TIMEOUT, WAIT_FAILED for another handle.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// STILL_ACTIVE while it runs; the exit status, or 128 + the signal that ended it.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);

// Starts the desktop's opener, xdg-open, with the path as its one argument (made absolute, so it is never
// taken for an option or a URL), and does not wait for it.
BOOL StartXdgOpen(const std::string& path);

}  // namespace win
