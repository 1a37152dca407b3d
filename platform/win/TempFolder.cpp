#include "platform/win/TempFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace win {

namespace {

std::string TempBase() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && tmp[0] == '/' ? tmp : "/tmp";
}

[[noreturn]] void Refuse(const std::string& dir, const std::string& reason) {
    throw EInOutError("The temporary folder \"" + dir + "\" cannot be used: " + reason);
}

}  // namespace

std::string PrivateTempDir() {
    std::string dir = IncludeTrailingPathDelimiter(TempBase()) + "tarvo-" + std::to_string(geteuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        Refuse(dir, SysErrorMessage(errno));
    // Opened without following a link, then checked through the descriptor: nothing can be swapped in
    // between the check and the repair.
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        struct stat st;
        if (::lstat(dir.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            Refuse(dir, "it is a symbolic link");
        Refuse(dir, err == ENOTDIR ? "it is not a folder" : SysErrorMessage(err));
    }
    struct stat st;
    std::string problem;
    if (::fstat(fd, &st) != 0)
        problem = SysErrorMessage(errno);
    else if (st.st_uid != geteuid())
        problem = "it belongs to another user";
    else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)
        problem = "others may use it and its mode cannot be changed: " + SysErrorMessage(errno);
    ::close(fd);
    if (!problem.empty())
        Refuse(dir, problem);
    return dir + "/";
}

DWORD GetTempPathA(DWORD bufferLength, char* buffer) {
    std::string dir;
    try {
        dir = PrivateTempDir();
    } catch (const EInOutError&) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (!buffer || bufferLength < dir.size() + 1)
        return static_cast<DWORD>(dir.size() + 1);
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

}  // namespace win
