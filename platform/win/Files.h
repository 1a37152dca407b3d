#pragma once
// kernel32's file calls over the file system: directory search with DOS masks (names and masks compared
// exactly, "*" and "*.*" match every name), attributes from lstat (a symbolic link is reported as itself,
// never followed), deleting a file, and the short form of a path.

#include <string>

#include "platform/win/WinTypes.h"

namespace win {

constexpr DWORD MAX_PATH = 260;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;  // names beginning with "."
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;  // neither a plain file nor a folder (FIFO, device, link)
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;  // plain files
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;  // symbolic links
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;  // the status-change time: Linux keeps no creation time
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    std::string cFileName;  // without the folder; no length limit
};

// pattern: folder + mask ("dir/*"). Every entry is found, "." and ".." and hidden names included.
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when the folder
// is missing or the mask is empty, ERROR_ACCESS_DENIED when the folder may not be read.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);  // FALSE and ERROR_NO_MORE_FILES at the end
BOOL FindClose(HANDLE search);

DWORD GetFileAttributesA(const char* path);  // INVALID_FILE_ATTRIBUTES when missing
// Deletes a file or a symbolic link; a folder is refused (ERROR_ACCESS_DENIED).
BOOL DeleteFileA(const char* path);
// Linux names have no short form: the path itself when it exists, 0 (ERROR_FILE_NOT_FOUND) otherwise. The
// result is the length without the NUL, or the size needed with the NUL when the buffer is too small.
DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD bufferLength);

}  // namespace win
