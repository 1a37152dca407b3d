#include "cipher/SHA1.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "cipher/BigEndian.h"
#include "platform/rtl/SysUtils.h"

using cipher::LoadBigEndian;
using cipher::StoreBigEndian;

TCiph_sha1::TCiph_sha1() : TCiph_hash("SHA1", 160) {
    HashWipe();
}

TCiph_sha1::~TCiph_sha1() {
    if (fInitialized)
        HashWipe();
}

void TCiph_sha1::HashInit() {
    HashWipe();
    fH[0] = 0x67452301;
    fH[1] = 0xEFCDAB89;
    fH[2] = 0x98BADCFE;
    fH[3] = 0x10325476;
    fH[4] = 0xC3D2E1F0;
    fInitialized = true;
}

void TCiph_sha1::HashWipe() {
    fLenBits = 0;
    fIndex = 0;
    WipeBytes(fBuffer, 0, sizeof fBuffer);
    WipeBytes(fH, 0, sizeof fH);
    fInitialized = false;
}

void TCiph_sha1::CheckInitialized() const {
    if (!fInitialized)
        throw Exception("SHA1: Not initialized");
}

void TCiph_sha1::Compress(const uint8_t* block) {
    uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian(block + 4 * t);
    for (int t = 16; t < 80; ++t)
        w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = fH[0], b = fH[1], c = fH[2], d = fH[3], e = fH[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        uint32_t temp = std::rotl(a, 5) + f + e + w[t] + k;
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
    fH[0] += a;
    fH[1] += b;
    fH[2] += c;
    fH[3] += d;
    fH[4] += e;
    WipeBytes(w, 0, sizeof w);
}

void TCiph_sha1::HashUpdate(const void* Buffer, size_t Size) {
    CheckInitialized();
    const auto* p = static_cast<const uint8_t*>(Buffer);
    fLenBits += static_cast<uint64_t>(Size) * 8;
    if (fIndex > 0) {
        size_t take = std::min(Size, sizeof fBuffer - fIndex);
        std::memcpy(fBuffer + fIndex, p, take);
        fIndex += take;
        p += take;
        Size -= take;
        if (fIndex < sizeof fBuffer)
            return;
        Compress(fBuffer);
        WipeBytes(fBuffer, 0, sizeof fBuffer);
        fIndex = 0;
    }
    // Whole blocks are hashed straight from the caller's memory.
    for (; Size >= sizeof fBuffer; p += sizeof fBuffer, Size -= sizeof fBuffer)
        Compress(p);
    std::memcpy(fBuffer, p, Size);
    fIndex = Size;
}

void TCiph_sha1::HashFinal(void* Digest) {
    CheckInitialized();
    fBuffer[fIndex++] = 0x80;
    if (fIndex > 56) {
        std::memset(fBuffer + fIndex, 0, sizeof fBuffer - fIndex);
        Compress(fBuffer);
        fIndex = 0;
    }
    std::memset(fBuffer + fIndex, 0, 56 - fIndex);
    StoreBigEndian(fBuffer + 56, static_cast<uint32_t>(fLenBits >> 32));
    StoreBigEndian(fBuffer + 60, static_cast<uint32_t>(fLenBits));
    Compress(fBuffer);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(static_cast<uint8_t*>(Digest) + 4 * i, fH[i]);
    HashWipe();
}
