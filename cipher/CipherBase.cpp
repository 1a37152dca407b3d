#include "cipher/CipherBase.h"

#include <bit>
#include <cstring>

uint32_t RotateLeft32(uint32_t X, uint8_t N) {
    return std::rotl(X, N & 31);
}

void XorBlock(const void* A, const void* B, void* Out, int Count) {
    const auto* a = static_cast<const uint8_t*>(A);
    const auto* b = static_cast<const uint8_t*>(B);
    auto* out = static_cast<uint8_t*>(Out);
    for (int i = 0; i < Count; ++i)
        out[i] = a[i] ^ b[i];
}

void WipeBytes(void* Memory, uint8_t Value, size_t Count) {
    std::memset(Memory, Value, Count);
    // The empty statement claims to read the memory, so the stores above must really happen.
    asm volatile("" : : "r"(Memory) : "memory");
}
