#include "platform/win/Mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/win/Handles.h"
#include "platform/win/TempFolder.h"

namespace win {

namespace {

class NamedMutex : public KernelObject {
public:
    explicit NamedMutex(int fd) : fd_(fd) {}
    ~NamedMutex() override {
        if (fd_ >= 0)
            ::close(fd_);
    }

private:
    int fd_;
};

// Windows names may hold "\" (and "/" would leave the folder): both become "_".
std::string LockFileName(const std::string& name) {
    std::string file = name;
    for (char& c : file)
        if (c == '/' || c == '\\')
            c = '_';
    return file + ".lock";
}

}  // namespace

HANDLE CreateMutexA(void*, BOOL, const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_SUCCESS);
        return AddHandle(std::make_shared<NamedMutex>(-1));
    }
    std::string path;
    try {
        path = PrivateTempDir() + LockFileName(name);
    } catch (const EInOutError&) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!held) {
        int err = errno;
        ::close(fd);  // someone else holds it: our descriptor must not keep anything alive
        fd = -1;
        if (err != EWOULDBLOCK) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    HANDLE h = AddHandle(std::make_shared<NamedMutex>(fd));
    SetLastError(held ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return h;
}

}  // namespace win
