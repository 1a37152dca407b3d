#include "platform/win/Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/FileSearch.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/FileTimes.h"
#include "platform/win/Handles.h"

namespace win {

namespace {

class Search : public KernelObject {
public:
    TSearchRec rec;
    ~Search() override { ::FindClose(rec); }
};

DWORD AttributesOf(const struct stat& st, std::string_view name) {
    DWORD attr = static_cast<DWORD>(FileAttributesOf(st, name));
    if (S_ISLNK(st.st_mode))
        attr |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attr;
}

void Fill(const TSearchRec& rec, WIN32_FIND_DATAA& data) {
    struct stat st {};
    st.st_mode = rec.Mode;
    data.dwFileAttributes = AttributesOf(st, rec.Name);
    data.ftCreationTime = UnixTimeToFileTime(rec.ChangeTime);
    data.ftLastAccessTime = UnixTimeToFileTime(rec.AccessTime);
    data.ftLastWriteTime = UnixTimeToFileTime(rec.WriteTime);
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(rec.Size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(rec.Size & 0xFFFFFFFF);
    data.cFileName = rec.Name;
}

}  // namespace

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
    std::string path = pattern ? pattern : "";
    if (!data || ExtractFileName(path).empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<Search>();
    int r = FindFirst(path, faAnyFile, search->rec);
    if (r != 0) {
        // FindFirst gives ENOENT both for "no match" and for a missing folder; tell them apart.
        bool folderThere = DirectoryExists(ExtractFilePath(path).empty() ? "." : ExtractFilePath(path));
        SetLastError(r != ENOENT ? ErrorFromErrno(r) : folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    Fill(search->rec, *data);
    return AddHandle(search);
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
    auto search = HandleObjectAs<Search>(handle);
    if (!search || !data)
        return FALSE;
    if (FindNext(search->rec) != 0) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(search->rec, *data);
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    if (!HandleObjectAs<Search>(handle))
        return FALSE;
    return CloseHandle(handle);
}

DWORD GetFileAttributesA(const char* path) {
    struct stat st;
    if (!path || ::lstat(path, &st) != 0) {
        SetLastError(ErrorFromErrno(path ? errno : EINVAL));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st, ExtractFileName(ExcludeTrailingPathDelimiter(path)));
}

BOOL DeleteFileA(const char* path) {
    struct stat st;
    if (!path || ::lstat(path, &st) != 0) {
        SetLastError(ErrorFromErrno(path ? errno : EINVAL));
        return FALSE;
    }
    if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD bufferLength) {
    struct stat st;
    if (!longPath || ::lstat(longPath, &st) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    size_t n = std::strlen(longPath);
    if (!shortPath || bufferLength < n + 1)
        return static_cast<DWORD>(n + 1);
    std::memmove(shortPath, longPath, n + 1);
    return static_cast<DWORD>(n);
}

}  // namespace win
