#pragma once
// The user's temporary folder: a private folder per user, ${TMPDIR:-/tmp}/tarvo-<uid>/, made with mode 0700
// when missing. It is refused when it is a symbolic link, not a folder, or owned by another user: a program
// then stops at start-up rather than work in a folder that others control.

#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"

namespace win {

// The folder, ending with "/". Raises EInOutError with a message for the user when it is refused or cannot
// be made. A folder of the user's own that others may write to is made private again (0700).
std::string PrivateTempDir();

// kernel32's GetTempPathA over PrivateTempDir: the length without the NUL; when the buffer is too small,
// the size needed with the NUL (nothing copied); 0 with the last error set when the folder is refused.
DWORD GetTempPathA(DWORD bufferLength, char* buffer);

}  // namespace win
