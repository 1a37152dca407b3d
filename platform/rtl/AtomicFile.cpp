#include "platform/rtl/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

// mkstemp in the folder of the final name; the name stays hidden and says what it is for.
std::pair<std::string, int> MakeTemporary(const std::string& finalName, mode_t permissions) {
    std::string pattern = ExtractFilePath(finalName) + "." + ExtractFileName(finalName) + ".tmp-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    int fd = mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0)
        throw EFCreateError("Cannot create file \"" + finalName + "\". " + SysErrorMessage(errno));
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, permissions & ~mask);
    return {std::string(buf.data()), fd};
}

}  // namespace

AtomicFile::AtomicFile(const std::string& finalName, mode_t permissions)
    : AtomicFile(finalName, MakeTemporary(finalName, permissions)) {}

AtomicFile::AtomicFile(const std::string& finalName, std::pair<std::string, int> temporary)
    : TFileStream(temporary.first, AdoptDescriptor{temporary.second}), finalName_(finalName) {}

AtomicFile::~AtomicFile() {
    if (!committed_) {
        CloseHandle();
        ::unlink(FileName().c_str());
    }
}

void AtomicFile::Commit(bool durable) {
    int err = 0;
    if (durable && ::fsync(Handle()) != 0)
        err = errno;
    if (::close(Handle()) != 0 && !err)
        err = errno;
    ReleaseHandle();
    if (!err && std::rename(FileName().c_str(), finalName_.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(FileName().c_str());
        committed_ = true;  // nothing left to clean up
        throw EWriteError("Cannot write file \"" + finalName_ + "\". " + SysErrorMessage(err));
    }
    committed_ = true;
}
