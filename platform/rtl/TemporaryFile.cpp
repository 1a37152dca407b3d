#include "platform/rtl/TemporaryFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace {

constexpr int kAttempts = 100;

// 48 random bits as 12 hex digits: another writer in the same folder picks the same name only by chance.
std::string UniqueLeaf() {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char leaf[32];
    std::snprintf(leaf, sizeof leaf, ".tmp-%012llx", static_cast<unsigned long long>(random() >> 16));
    return leaf;
}

}  // namespace

TemporaryFile CreateTemporaryFile(int folder, const std::string& folderPath, mode_t mode) {
    TemporaryFile file;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        file.name = folderPath + UniqueLeaf();
        file.fd = ::openat(folder, file.name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (file.fd >= 0 || errno != EEXIST)
            break;
    }
    if (file.fd < 0)
        file.error = errno;
    return file;
}
