#pragma once
// For tests that the process umask stays as it is: it belongs to every thread at once, so a moment's change
// shows up in files that another thread creates meanwhile.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tarvo::test {

// Sets the process umask for one test and puts the old one back.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : saved_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(saved_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t saved_;
};

// Creates and removes `path` `count` times through the ordinary open call, asking for mode 0666; returns how
// many of the files came out with a bit that `mask`, the umask in force, takes away.
inline int CountFilesCreatedPastTheUmask(const std::string& path, int count, mode_t mask) {
    int widened = 0;
    for (int i = 0; i < count; ++i) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        EXPECT_GE(fd, 0) << std::strerror(errno);
        if (fd < 0)
            return widened;
        struct stat st;
        EXPECT_EQ(::fstat(fd, &st), 0);
        widened += (st.st_mode & mask) != 0;
        ::close(fd);
        ::unlink(path.c_str());
    }
    return widened;
}

}  // namespace tarvo::test
