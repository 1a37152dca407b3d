#pragma once
// The common shape of every hash and block cipher: a fixed description (name and sizes, set by the concrete
// class and read-only from outside) and a fixed set of virtual operations. Concrete classes raise Exception
// with texts that begin with their algorithm name.

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

    // HashInit, any number of HashUpdate, then HashFinal, which writes HashSize/8 bytes and wipes the state.
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
    // Overwrites key material, IV and chain value; the cipher is then uninitialised.
    virtual void Wipe() = 0;
    // Restarts the chained modes at the IV.
    virtual void ResetChain() = 0;
    // One block, no chaining. Every operation from here on raises when the cipher is not initialised.
    virtual void EncryptBlock(const void* InData, void* OutData) = 0;
    virtual void DecryptBlock(const void* InData, void* OutData) = 0;
    // Chained modes: consecutive calls continue one stream; InData and OutData may be the same memory.
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

// X rotated left by N and 31 bits.
uint32_t RotateLeft32(uint32_t X, uint8_t N);
// Out[i] := A[i] xor B[i] for Count bytes; Out may be the same memory as A or B.
void XorBlock(const void* A, const void* B, void* Out, int Count);
// Fills secret memory with Value in a way the compiler cannot drop as a dead store.
void WipeBytes(void* Memory, uint8_t Value, size_t Count);
