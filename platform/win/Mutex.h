#pragma once
// Named mutexes across processes: a flock on "<name>.lock" in the private temporary folder. The lock file is
// opened close-on-exec, so a program started meanwhile never keeps it alive; it is released when the last
// handle is closed or the process ends.

#include "platform/win/WinTypes.h"

namespace win {

// A handle to the named mutex. When another process (or another handle of this one) holds it, the handle is
// returned all the same with the last error ERROR_ALREADY_EXISTS, as Windows reports an existing mutex;
// otherwise the last error is 0. 0 (ERROR_ACCESS_DENIED) when the temporary folder is refused or the lock
// file cannot be opened. An unnamed mutex is a plain handle.
HANDLE CreateMutexA(void* security, BOOL initialOwner, const char* name);

}  // namespace win
