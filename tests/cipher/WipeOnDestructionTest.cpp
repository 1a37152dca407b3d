// Destroying a keyed cipher or a hash in the middle of a message leaves none of its secrets in memory.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <new>
#include <string>

#include "cipher/Cast128.h"
#include "cipher/SHA1.h"

namespace {

// Memory whose bytes stay readable after the object placed in it is destroyed: a shared mapping of an
// in-memory file, read back through the file, never through the object that is gone.
class ObservedMemory {
public:
    explicit ObservedMemory(size_t size) : size_(size) {
        fd_ = memfd_create("wipe-test", MFD_CLOEXEC);
        if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(size)) != 0)
            throw std::runtime_error("memfd");
        memory_ = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (memory_ == MAP_FAILED)
            throw std::runtime_error("mmap");
    }
    ~ObservedMemory() {
        munmap(memory_, size_);
        close(fd_);
    }
    ObservedMemory(const ObservedMemory&) = delete;
    ObservedMemory& operator=(const ObservedMemory&) = delete;

    void* Memory() const { return memory_; }
    std::string Bytes() const {
        std::string bytes(size_, '\0');
        EXPECT_EQ(pread(fd_, bytes.data(), size_, 0), static_cast<ssize_t>(size_));
        return bytes;
    }

private:
    size_t size_;
    int fd_ = -1;
    void* memory_ = nullptr;
};

// Every byte that use changed from the freshly made (wiped) object must be back to its wiped value once the
// object is destroyed. Returns how many bytes use changed, so a test knows it looked at real secrets.
template <typename T, typename Use>
size_t CheckDestructionWipes(Use use) {
    ObservedMemory memory(sizeof(T));
    T* object = new (memory.Memory()) T;
    const std::string wiped = memory.Bytes();
    use(*object);
    const std::string used = memory.Bytes();
    object->~T();
    const std::string destroyed = memory.Bytes();
    size_t secret = 0;
    for (size_t i = 0; i < wiped.size(); ++i) {
        if (used[i] == wiped[i])
            continue;
        ++secret;
        EXPECT_EQ(destroyed[i], wiped[i]) << "byte " << i << " of " << sizeof(T);
    }
    return secret;
}

TEST(WipeOnDestructionTest, Cast128LeavesNoKeyScheduleIvOrChainBehind) {
    size_t secret = CheckDestructionWipes<TCiph_cast128>([](TCiph_cast128& cipher) {
        const uint8_t key[16] = {0x01, 0x23, 0x45, 0x67, 0x12, 0x34, 0x56, 0x78,
                                 0x23, 0x45, 0x67, 0x89, 0x34, 0x56, 0x78, 0x9A};
        const uint8_t iv[8] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
        uint8_t text[24] = {};
        cipher.InitKey(key, 128, iv);
        cipher.EncryptCBC(text, text, sizeof text);
    });
    EXPECT_GE(secret, 16u * 4 + 8 + 8);  // masking keys, IV and chain at least
}

TEST(WipeOnDestructionTest, Sha1LeavesNoStateOfAMessageBehind) {
    size_t secret = CheckDestructionWipes<TCiph_sha1>([](TCiph_sha1& hash) {
        const std::string password(100, 'p');  // a block and a part of the next one
        hash.HashInit();
        hash.HashUpdate(password.data(), password.size());
    });
    EXPECT_GE(secret, 20u + 36);  // chaining values and the waiting bytes at least
}

}  // namespace
