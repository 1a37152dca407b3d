#pragma once
// SHA-1 (FIPS 180-1) as a hash component; the client turns passwords into key material with it.

#include "cipher/CipherBase.h"

class TCiph_sha1 final : public TCiph_hash {
public:
    TCiph_sha1();
    ~TCiph_sha1() override;

    void HashInit() override;
    void HashWipe() override;
    // Both raise Exception "SHA1: Not initialized" before HashInit.
    void HashUpdate(const void* Buffer, size_t Size) override;
    void HashFinal(void* Digest) override;

private:
    void CheckInitialized() const;
    void Compress(const uint8_t* block);

    uint64_t fLenBits = 0;
    size_t fIndex = 0;
    uint32_t fH[5] = {};
    uint8_t fBuffer[64] = {};
};
