#include "platform/rtl/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/rtl/SysUtils.h"

namespace {

TemporaryFile MakeTemporary(const std::string& finalName, mode_t permissions) {
    TemporaryFile file = CreateTemporaryFile(AT_FDCWD, ExtractFilePath(finalName), permissions);
    if (file.fd < 0)
        throw EFCreateError("Cannot create file \"" + finalName + "\". " + SysErrorMessage(file.error));
    return file;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& finalName, mode_t permissions)
    : AtomicFile(finalName, MakeTemporary(finalName, permissions)) {}

AtomicFile::AtomicFile(const std::string& finalName, TemporaryFile temporary)
    : TFileStream(std::move(temporary.name), AdoptDescriptor{temporary.fd}), finalName_(finalName) {}

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
