#include "platform/win/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/AtomicFile.h"
#include "platform/win/MachineRoot.h"
#include "platform/win/WinReg.h"

namespace win::reg {

namespace {

std::string HivePath(const std::string& rootName) {
    return MachinePath("registry/" + rootName + ".reg");
}

// The hive's lock, held from construction to destruction.
class HiveLock {
public:
    explicit HiveLock(const std::string& rootName) {
        std::string folder = MachinePath("registry");
        if (!ForceDirectories(folder))
            return;
        fd_ = ::open((folder + "/" + rootName + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        int r;
        do
            r = ::flock(fd_, LOCK_EX);
        while (r != 0 && errno == EINTR);
        if (r != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~HiveLock() {
        if (fd_ >= 0)
            ::close(fd_);  // closing releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The whole file; false with errno set when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            text.append(buf, static_cast<size_t>(n));
    const int readError = errno;
    ::close(fd);
    errno = readError;
    return n == 0;
}

// LoadHive, saying why it failed.
LONG ReadHive(const std::string& rootName, Key& hive, std::string& problem) {
    hive = Key{};
    hive.name = rootName;
    const std::string path = HivePath(rootName);
    std::string text;
    if (!ReadWholeFile(path, text)) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ERROR_SUCCESS;
        problem = "The registry file \"" + path + "\" cannot be read: " + std::strerror(errno);
        return ERROR_CANTREAD;
    }
    try {
        hive = ParseHive(text, rootName);
    } catch (const EHiveFormat& e) {
        problem = "The registry file \"" + path + "\" is damaged at " + e.Message();
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG LoadHive(const std::string& rootName, Key& hive) {
    std::string problem;
    return ReadHive(rootName, hive, problem);
}

std::string HiveProblem(const std::string& rootName) {
    Key hive;
    std::string problem;
    ReadHive(rootName, hive, problem);
    return problem;
}

LONG UpdateHive(const std::string& rootName, const std::function<LONG(Key& hive)>& change) {
    HiveLock lock(rootName);
    if (!lock.Held())
        return ERROR_CANTWRITE;
    Key hive;
    if (LONG r = LoadHive(rootName, hive); r != ERROR_SUCCESS)
        return r;
    if (LONG r = change(hive); r != ERROR_SUCCESS)
        return r == Unchanged ? ERROR_SUCCESS : r;
    try {
        // The hives hold the user's settings, stored credentials among them: for the owner only.
        AtomicFile file(HivePath(rootName), 0600);
        std::string text = FormatHive(hive);
        file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        file.Commit();
    } catch (const EStreamError&) {
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

}  // namespace win::reg
