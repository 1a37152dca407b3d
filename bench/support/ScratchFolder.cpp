#include "bench/support/ScratchFolder.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

// A quarter more than asked: the run's small files, and whoever else writes there meanwhile.
bool HasRoom(const std::string& folder, uint64_t bytes) {
    struct statvfs fs;
    return ::statvfs(folder.c_str(), &fs) == 0 && uint64_t{fs.f_bavail} * fs.f_frsize >= bytes + bytes / 4;
}

std::string ParentFolder(const std::string& preferred, uint64_t bytes) {
    struct stat st;
    if (!preferred.empty() && ::stat(preferred.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && HasRoom(preferred, bytes))
        return preferred;
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

ScratchFolder::ScratchFolder(const std::string& name, const std::string& preferredParent, uint64_t bytes) {
    std::string pattern = ParentFolder(preferredParent, bytes) + "/" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder for " + name + ": " + std::strerror(errno));
    path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}
