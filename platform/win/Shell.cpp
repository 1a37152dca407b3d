#include "platform/win/Shell.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/MachineRoot.h"

namespace win {

namespace {

std::string SpecialFolder(int csidl) {
    switch (csidl) {
        case CSIDL_COMMON_PROGRAMS:
            return "ProgramData/Microsoft/Windows/Start Menu/Programs";
        case CSIDL_PROGRAM_FILES:
            return "Program Files";
        default:
            return std::string();
    }
}

std::vector<std::string> NameList(const char* list) {
    std::vector<std::string> names;
    if (!list)
        return names;
    for (const char* p = list; *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

// A name the delete must never be given: nothing, the root, or one that ends in "." or "..".
bool IsRefused(const std::string& name) {
    std::string last = ExtractFileName(name);
    return name.empty() || last.empty() || last == "." || last == "..";
}

int DeleteOne(std::string name) {
    // "link/" would make lstat follow the link.
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    if (IsRefused(name))
        return static_cast<int>(ERROR_INVALID_PARAMETER);
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0)
        return static_cast<int>(ErrorFromErrno(errno));
    std::error_code ec;
    std::filesystem::remove_all(name, ec);  // removes a symbolic link itself
    return ec ? static_cast<int>(ErrorFromErrno(ec.value())) : 0;
}

}  // namespace

BOOL SHGetSpecialFolderPathA(HWND, std::string& path, int csidl, BOOL create) {
    path.clear();
    std::string relative = SpecialFolder(csidl);
    if (relative.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::string folder = MachinePath(relative);
    if (create && !ForceDirectories(folder)) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    path = folder;
    return TRUE;
}

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
    if (!op || op->wFunc != FO_DELETE)
        return static_cast<int>(ERROR_INVALID_PARAMETER);
    op->fAnyOperationsAborted = FALSE;
    std::vector<std::string> names = NameList(op->pFrom);
    if (names.empty())
        return static_cast<int>(ERROR_INVALID_PARAMETER);
    for (const auto& name : names)
        if (int r = DeleteOne(name); r != 0)
            return r;
    return 0;
}

}  // namespace win
