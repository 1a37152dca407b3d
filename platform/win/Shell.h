#pragma once
// shell32's special folders and file operation. The special folders lie under the machine root:
// CSIDL_COMMON_PROGRAMS is "ProgramData/Microsoft/Windows/Start Menu/Programs", CSIDL_PROGRAM_FILES is
// "Program Files"; there is no other. The file operation deletes, and deletes exactly the names given.

#include <string>

#include "platform/win/WinTypes.h"

namespace win {

constexpr int CSIDL_COMMON_PROGRAMS = 0x17;
constexpr int CSIDL_PROGRAM_FILES = 0x26;

// path := the folder, without a trailing "/". FALSE (path empty) for any other CSIDL, or when create is set
// and the folder cannot be made.
BOOL SHGetSpecialFolderPathA(HWND owner, std::string& path, int csidl, BOOL create);

constexpr UINT FO_MOVE = 1;
constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr UINT FO_RENAME = 4;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;
constexpr WORD FOF_ALLOWUNDO = 0x0040;

struct SHFILEOPSTRUCTA {
    HWND hwnd = 0;
    UINT wFunc = 0;
    const char* pFrom = nullptr;  // names, each ended by a NUL, the list by a second NUL
    const char* pTo = nullptr;
    WORD fFlags = 0;
    BOOL fAnyOperationsAborted = FALSE;
    void* hNameMappings = nullptr;
    const char* lpszProgressTitle = nullptr;
};

// Only FO_DELETE. Every name is taken literally (a "*" is a character, never a wildcard); a folder goes with
// everything in it; a symbolic link is removed itself, never followed. There is no recycle bin: FOF_ALLOWUNDO
// deletes as well. Nothing is asked. An empty list or name, "/", and names ending in "." or ".." are refused.
// Result 0 when every name was deleted, otherwise the Windows error of the first failure (later names are
// not tried).
int SHFileOperationA(SHFILEOPSTRUCTA* operation);

}  // namespace win
