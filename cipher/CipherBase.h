#pragma once
// The two interfaces the concrete hash and cipher classes implement. Name and sizes are fixed by each class,
// so callers may rely on them; only the operations are virtual. Errors are Exceptions whose text starts with
// the algorithm's name.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class TCiph_hash {
public:
    TCiph_hash(const TCiph_hash&) = delete;
    TCiph_hash& operator=(const TCiph_hash&) = delete;
    virtual ~TCiph_hash() = default;

    const std::string& Algorithm() const { return fAlgorithm; }
    void SetAlgorithm(const std::string&) {}    // the description is fixed by the class
    int HashSize() const { return fHashSize; }  // in bits
    virtual void SetHashSize(int) {}

    // Call order: HashInit, HashUpdate as often as needed, HashFinal (HashSize/8 bytes out, state wiped after).
    virtual void HashInit() = 0;
    virtual void HashWipe() = 0;
    virtual void HashUpdate(const void* Buffer, size_t Size) = 0;
    virtual void HashFinal(void* Digest) = 0;
    // HashUpdate over the bytes of S as they are stored, without a terminator.
    void HashUpdateStr(std::string_view S) { HashUpdate(S.data(), S.size()); }

protected:
    TCiph_hash(std::string algorithm, int hashSize) : fAlgorithm(std::move(algorithm)), fHashSize(hashSize) {}

    bool fInitialized = false;

private:
    std::string fAlgorithm;
    int fHashSize;
};

class TCiph_blockcipher {
public:
    TCiph_blockcipher(const TCiph_blockcipher&) = delete;
    TCiph_blockcipher& operator=(const TCiph_blockcipher&) = delete;
    virtual ~TCiph_blockcipher() = default;

    const std::string& Algorithm() const { return fAlgorithm; }
    void SetAlgorithm(const std::string&) {}      // the description is fixed by the class
    int BlockSize() const { return fBlockSize; }  // in bits
    void SetBlockSize(int) {}
    int MaxKeySize() const { return fMaxKeySize; }  // in bits
    void SetMaxKeySize(int) {}

    // Keys the cipher (Size in bits); IV points to one block, or is nullptr for the cipher's own default IV.
    virtual void InitKey(const void* Key, int Size, const void* IV) = 0;
    // Erases the key schedule, IV and chain value; the cipher needs InitKey again before use.
    virtual void Wipe() = 0;
    // Restarts the chained modes at the IV.
    virtual void ResetChain() = 0;
    // One block, no chaining. Every operation from here on raises when the cipher is not initialised.
    virtual void EncryptBlock(const void* InData, void* OutData) = 0;
    virtual void DecryptBlock(const void* InData, void* OutData) = 0;
    // Chained modes: each call picks the stream up where the previous one left it; in-place use is allowed.
    virtual void EncryptCBC(const void* InData, void* OutData, size_t Size) = 0;
    virtual void DecryptCBC(const void* InData, void* OutData, size_t Size) = 0;
    virtual void EncryptCFB8(const void* InData, void* OutData, size_t Size) = 0;
    virtual void DecryptCFB8(const void* InData, void* OutData, size_t Size) = 0;

protected:
    TCiph_blockcipher(std::string algorithm, int blockSize, int maxKeySize)
        : fAlgorithm(std::move(algorithm)), fBlockSize(blockSize), fMaxKeySize(maxKeySize) {}

    bool fInitialized = false;

private:
    std::string fAlgorithm;
    int fBlockSize;
    int fMaxKeySize;
};

// Rotates X left; the count is taken mod 32.
uint32_t RotateLeft32(uint32_t X, uint8_t N);
// XORs Count bytes of A and B into Out, which may alias either input; Count <= 0 does nothing.
void XorBlock(const void* A, const void* B, void* Out, int Count);
// Fills secret memory with Value in a way the compiler cannot drop as a dead store.
void WipeBytes(void* Memory, uint8_t Value, size_t Count);
