#pragma once
// CAST-128 (RFC 2144) behind the block-cipher interface. Keys of 40 to 80 bits run 12 rounds, longer keys 16.
// Without an explicit IV, the IV is eight 0xFF bytes encrypted under the key.

#include <cstdint>

#include "cipher/CipherBase.h"

class TCiph_cast128 final : public TCiph_blockcipher {
public:
    TCiph_cast128();
    ~TCiph_cast128() override;

    // Raises Exception "Cast128: Invalid key size - N" unless Size is 8..128 and a multiple of 8; the cipher
    // is then left uninitialised.
    void InitKey(const void* Key, int Size, const void* IV) override;
    void Wipe() override;
    void ResetChain() override;
    // The rest raise Exception "Cast128: Not initialized" before InitKey.
    void EncryptBlock(const void* InData, void* OutData) override;
    void DecryptBlock(const void* InData, void* OutData) override;
    // No padding: a trailing partial block is XORed with the enciphered chain value, and only whole blocks
    // advance the chain.
    void EncryptCBC(const void* InData, void* OutData, size_t Size) override;
    void DecryptCBC(const void* InData, void* OutData, size_t Size) override;
    void EncryptCFB8(const void* InData, void* OutData, size_t Size) override;
    void DecryptCFB8(const void* InData, void* OutData, size_t Size) override;

    // Masking keys Km1..Km16, then rotation keys Kr1..Kr16 (their low 5 bits), then each Kr + 16 mod 32.
    struct TKeySchedule {
        uint32_t Km[16];
        uint32_t Kr[16];
        uint32_t Kr16[16];
    };

private:
    void CheckInitialized() const;

    uint8_t fIV[8];
    uint8_t fChain[8];
    TKeySchedule fKey;
    int fRounds = 16;
};
