#include "cipher/Cast128.h"

#include <array>
#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

#include "cipher/BigEndian.h"
#include "cipher/Cast128SBoxes.h"
#include "platform/rtl/SysUtils.h"

using namespace cast128;

namespace {

using cipher::LoadBigEndian;
using cipher::StoreBigEndian;
using TKeySchedule = TCiph_cast128::TKeySchedule;

// A block as one number: its first four bytes are the high (left) half, both halves big-endian.
uint64_t LoadBlock(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

void StoreBlock(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

// The three round functions f1, f2, f3. The keyed input rotated by kr (I) gives the bytes for S1 and S4 as its
// top and low byte; rotated by kr + 16 it gives those for S2 and S3 the same way, so every index is one
// shift or one zero-extension away from a rotation.
template <int Type>
inline uint32_t F(uint32_t d, uint32_t km, uint32_t kr, uint32_t kr16) {
    uint32_t v = Type == 0 ? km + d : Type == 1 ? (km ^ d) : km - d;
    uint32_t i = std::rotl(v, static_cast<int>(kr));
    uint32_t j = std::rotl(v, static_cast<int>(kr16));
    uint32_t s1 = S1[i >> 24], s2 = S2[j & 0xFF], s3 = S3[j >> 24], s4 = S4[i & 0xFF];
    if constexpr (Type == 0)
        return ((s1 ^ s2) - s3) + s4;
    else if constexpr (Type == 1)
        return ((s1 - s2) + s3) ^ s4;
    else
        return ((s1 + s2) ^ s3) - s4;
}

// N independent blocks go through the rounds side by side, so their table look-ups overlap.
template <size_t N>
struct Lanes {
    std::array<uint32_t, N> l, r;
};

// One step of the Feistel network with round Round's keys: even steps change the left half, odd steps the right.
template <int Step, int Round, size_t N>
inline void FeistelStep(const TKeySchedule& k, Lanes<N>& x) {
#pragma GCC unroll 8
    for (size_t n = 0; n < N; ++n) {
        if constexpr (Step % 2 == 0)
            x.l[n] ^= F<Round % 3>(x.r[n], k.Km[Round], k.Kr[Round], k.Kr16[Round]);
        else
            x.r[n] ^= F<Round % 3>(x.l[n], k.Km[Round], k.Kr[Round], k.Kr16[Round]);
    }
}

template <int Rounds, size_t N>
inline void EncryptLanes(const TKeySchedule& k, Lanes<N>& x) {
    [&]<int... I>(std::integer_sequence<int, I...>) {
        (FeistelStep<I, I>(k, x), ...);
    }
    (std::make_integer_sequence<int, Rounds>{});
}

template <int Rounds, size_t N>
inline void DecryptLanes(const TKeySchedule& k, Lanes<N>& x) {
    [&]<int... I>(std::integer_sequence<int, I...>) {
        (FeistelStep<I, Rounds - 1 - I>(k, x), ...);
    }
    (std::make_integer_sequence<int, Rounds>{});
}

template <size_t N>
inline Lanes<N> Split(const std::array<uint64_t, N>& blocks) {
    Lanes<N> x;
    for (size_t n = 0; n < N; ++n) {
        x.l[n] = static_cast<uint32_t>(blocks[n] >> 32);
        x.r[n] = static_cast<uint32_t>(blocks[n]);
    }
    return x;
}

// After an even number of steps the halves come out swapped.
template <size_t N>
inline std::array<uint64_t, N> JoinSwapped(const Lanes<N>& x) {
    std::array<uint64_t, N> blocks;
    for (size_t n = 0; n < N; ++n)
        blocks[n] = uint64_t{x.r[n]} << 32 | x.l[n];
    return blocks;
}

template <int Rounds>
inline uint64_t Encrypt(const TKeySchedule& k, uint64_t block) {
    Lanes<1> x = Split<1>({block});
    EncryptLanes<Rounds>(k, x);
    return JoinSwapped(x)[0];
}

template <int Rounds, size_t N>
inline std::array<uint64_t, N> Decrypt(const TKeySchedule& k, const std::array<uint64_t, N>& blocks) {
    Lanes<N> x = Split(blocks);
    DecryptLanes<Rounds>(k, x);
    return JoinSwapped(x);
}

// Calls f with the round count as a compile-time constant, so each count gets its own unrolled code.
template <typename Fn>
inline auto WithRounds(int rounds, Fn&& f) {
    return rounds == 12 ? f(std::integral_constant<int, 12>{}) : f(std::integral_constant<int, 16>{});
}

// The last Size mod 8 bytes of a chained call: XORed with the encryption of the chain value.
template <int Rounds>
void XorTail(const TKeySchedule& k, uint64_t chain, const uint8_t* in, uint8_t* out, size_t count) {
    uint8_t pad[8];
    StoreBlock(pad, Encrypt<Rounds>(k, chain));
    XorBlock(in, pad, out, static_cast<int>(count));
    WipeBytes(pad, 0xFF, sizeof pad);
}

// The mode loops are flattened so every round is inlined into them at any optimisation level.
template <int Rounds>
[[gnu::flatten]] uint64_t EncryptCbc(const TKeySchedule& k, uint64_t chain, const uint8_t* in, uint8_t* out,
                                     size_t size) {
    for (; size >= 8; in += 8, out += 8, size -= 8) {
        chain = Encrypt<Rounds>(k, LoadBlock(in) ^ chain);
        StoreBlock(out, chain);
    }
    if (size > 0)
        XorTail<Rounds>(k, chain, in, out, size);
    return chain;
}

// Decryption has no chain dependency between blocks, so four are decrypted together.
template <int Rounds>
[[gnu::flatten]] uint64_t DecryptCbc(const TKeySchedule& k, uint64_t chain, const uint8_t* in, uint8_t* out,
                                     size_t size) {
    constexpr size_t kLanes = 4;
    for (; size >= 8 * kLanes; in += 8 * kLanes, out += 8 * kLanes, size -= 8 * kLanes) {
        std::array<uint64_t, kLanes> c;
        for (size_t n = 0; n < kLanes; ++n)
            c[n] = LoadBlock(in + 8 * n);
        std::array<uint64_t, kLanes> p = Decrypt<Rounds>(k, c);
        StoreBlock(out, p[0] ^ chain);
        for (size_t n = 1; n < kLanes; ++n)
            StoreBlock(out + 8 * n, p[n] ^ c[n - 1]);
        chain = c[kLanes - 1];
    }
    for (; size >= 8; in += 8, out += 8, size -= 8) {
        uint64_t c = LoadBlock(in);
        StoreBlock(out, Decrypt<Rounds, 1>(k, {c})[0] ^ chain);
        chain = c;
    }
    if (size > 0)
        XorTail<Rounds>(k, chain, in, out, size);
    return chain;
}

// 8-bit CFB: each byte is XORed with the first byte of the encrypted chain value, and the ciphertext byte
// shifts into the chain value from the right.
template <int Rounds, bool Decrypting>
[[gnu::flatten]] uint64_t Cfb8(const TKeySchedule& k, uint64_t chain, const uint8_t* in, uint8_t* out, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        uint8_t inByte = in[i];
        uint8_t outByte = inByte ^ static_cast<uint8_t>(Encrypt<Rounds>(k, chain) >> 56);
        out[i] = outByte;
        chain = chain << 8 | (Decrypting ? inByte : outByte);
    }
    return chain;
}

// One half of the key schedule: 16 subkeys from the key state x (the bytes x0..xF), which it advances.
void GenerateSubkeys(uint8_t* x, uint32_t* K) {
    uint8_t z[16];
    for (int pass = 0; pass < 2; ++pass) {
        StoreBigEndian(z + 0, LoadBigEndian(x + 0) ^ S5[x[0xD]] ^ S6[x[0xF]] ^ S7[x[0xC]] ^ S8[x[0xE]] ^ S7[x[0x8]]);
        StoreBigEndian(z + 4, LoadBigEndian(x + 8) ^ S5[z[0x0]] ^ S6[z[0x2]] ^ S7[z[0x1]] ^ S8[z[0x3]] ^ S8[x[0xA]]);
        StoreBigEndian(z + 8, LoadBigEndian(x + 12) ^ S5[z[0x7]] ^ S6[z[0x6]] ^ S7[z[0x5]] ^ S8[z[0x4]] ^ S5[x[0x9]]);
        StoreBigEndian(z + 12, LoadBigEndian(x + 4) ^ S5[z[0xA]] ^ S6[z[0x9]] ^ S7[z[0xB]] ^ S8[z[0x8]] ^ S6[x[0xB]]);
        uint32_t* k = K + 8 * pass;
        if (pass == 0) {
            k[0] = S5[z[0x8]] ^ S6[z[0x9]] ^ S7[z[0x7]] ^ S8[z[0x6]] ^ S5[z[0x2]];
            k[1] = S5[z[0xA]] ^ S6[z[0xB]] ^ S7[z[0x5]] ^ S8[z[0x4]] ^ S6[z[0x6]];
            k[2] = S5[z[0xC]] ^ S6[z[0xD]] ^ S7[z[0x3]] ^ S8[z[0x2]] ^ S7[z[0x9]];
            k[3] = S5[z[0xE]] ^ S6[z[0xF]] ^ S7[z[0x1]] ^ S8[z[0x0]] ^ S8[z[0xC]];
        } else {
            k[0] = S5[z[0x3]] ^ S6[z[0x2]] ^ S7[z[0xC]] ^ S8[z[0xD]] ^ S5[z[0x9]];
            k[1] = S5[z[0x1]] ^ S6[z[0x0]] ^ S7[z[0xE]] ^ S8[z[0xF]] ^ S6[z[0xC]];
            k[2] = S5[z[0x7]] ^ S6[z[0x6]] ^ S7[z[0x8]] ^ S8[z[0x9]] ^ S7[z[0x2]];
            k[3] = S5[z[0x5]] ^ S6[z[0x4]] ^ S7[z[0xA]] ^ S8[z[0xB]] ^ S8[z[0x6]];
        }
        StoreBigEndian(x + 0, LoadBigEndian(z + 8) ^ S5[z[0x5]] ^ S6[z[0x7]] ^ S7[z[0x4]] ^ S8[z[0x6]] ^ S7[z[0x0]]);
        StoreBigEndian(x + 4, LoadBigEndian(z + 0) ^ S5[x[0x0]] ^ S6[x[0x2]] ^ S7[x[0x1]] ^ S8[x[0x3]] ^ S8[z[0x2]]);
        StoreBigEndian(x + 8, LoadBigEndian(z + 4) ^ S5[x[0x7]] ^ S6[x[0x6]] ^ S7[x[0x5]] ^ S8[x[0x4]] ^ S5[z[0x1]]);
        StoreBigEndian(x + 12, LoadBigEndian(z + 12) ^ S5[x[0xA]] ^ S6[x[0x9]] ^ S7[x[0xB]] ^ S8[x[0x8]] ^ S6[z[0x3]]);
        if (pass == 0) {
            k[4] = S5[x[0x3]] ^ S6[x[0x2]] ^ S7[x[0xC]] ^ S8[x[0xD]] ^ S5[x[0x8]];
            k[5] = S5[x[0x1]] ^ S6[x[0x0]] ^ S7[x[0xE]] ^ S8[x[0xF]] ^ S6[x[0xD]];
            k[6] = S5[x[0x7]] ^ S6[x[0x6]] ^ S7[x[0x8]] ^ S8[x[0x9]] ^ S7[x[0x3]];
            k[7] = S5[x[0x5]] ^ S6[x[0x4]] ^ S7[x[0xA]] ^ S8[x[0xB]] ^ S8[x[0x7]];
        } else {
            k[4] = S5[x[0x8]] ^ S6[x[0x9]] ^ S7[x[0x7]] ^ S8[x[0x6]] ^ S5[x[0x3]];
            k[5] = S5[x[0xA]] ^ S6[x[0xB]] ^ S7[x[0x5]] ^ S8[x[0x4]] ^ S6[x[0x7]];
            k[6] = S5[x[0xC]] ^ S6[x[0xD]] ^ S7[x[0x3]] ^ S8[x[0x2]] ^ S7[x[0x8]];
            k[7] = S5[x[0xE]] ^ S6[x[0xF]] ^ S7[x[0x1]] ^ S8[x[0x0]] ^ S8[x[0xD]];
        }
    }
    WipeBytes(z, 0, sizeof z);
}

}  // namespace

TCiph_cast128::TCiph_cast128() : TCiph_blockcipher("Cast128", 64, 128) {
    Wipe();
}

TCiph_cast128::~TCiph_cast128() {
    if (fInitialized)
        Wipe();
}

void TCiph_cast128::CheckInitialized() const {
    if (!fInitialized)
        throw Exception("Cast128: Not initialized");
}

void TCiph_cast128::InitKey(const void* Key, int Size, const void* IV) {
    if (fInitialized)
        Wipe();
    if (Size > MaxKeySize() || Size <= 0 || Size % 8 != 0)
        throw Exception(Format("Cast128: Invalid key size - %d", {Size}));
    fRounds = Size / 8 <= 10 ? 12 : 16;
    uint8_t x[16] = {};
    std::memcpy(x, Key, static_cast<size_t>(Size / 8));
    GenerateSubkeys(x, fKey.Km);
    GenerateSubkeys(x, fKey.Kr);
    WipeBytes(x, 0, sizeof x);
    for (int i = 0; i < 16; ++i) {
        fKey.Kr[i] &= 31;
        fKey.Kr16[i] = (fKey.Kr[i] + 16) & 31;
    }
    // The cipher does not count as initialised yet, so the default IV uses the unchecked transform.
    if (IV)
        std::memcpy(fIV, IV, sizeof fIV);
    else
        StoreBlock(fIV, WithRounds(fRounds, [&](auto r) { return Encrypt<r()>(fKey, ~uint64_t{0}); }));
    ResetChain();
    fInitialized = true;
}

void TCiph_cast128::Wipe() {
    WipeBytes(&fKey, 0xFF, sizeof fKey);
    WipeBytes(fIV, 0xFF, sizeof fIV);
    WipeBytes(fChain, 0xFF, sizeof fChain);
    fInitialized = false;
}

void TCiph_cast128::ResetChain() {
    std::memcpy(fChain, fIV, sizeof fChain);
}

void TCiph_cast128::EncryptBlock(const void* InData, void* OutData) {
    CheckInitialized();
    uint64_t block = LoadBlock(static_cast<const uint8_t*>(InData));
    StoreBlock(static_cast<uint8_t*>(OutData), WithRounds(fRounds, [&](auto r) { return Encrypt<r()>(fKey, block); }));
}

void TCiph_cast128::DecryptBlock(const void* InData, void* OutData) {
    CheckInitialized();
    uint64_t block = LoadBlock(static_cast<const uint8_t*>(InData));
    StoreBlock(static_cast<uint8_t*>(OutData),
               WithRounds(fRounds, [&](auto r) { return Decrypt<r(), 1>(fKey, {block})[0]; }));
}

void TCiph_cast128::EncryptCBC(const void* InData, void* OutData, size_t Size) {
    CheckInitialized();
    auto in = static_cast<const uint8_t*>(InData);
    auto out = static_cast<uint8_t*>(OutData);
    StoreBlock(fChain,
               WithRounds(fRounds, [&](auto r) { return EncryptCbc<r()>(fKey, LoadBlock(fChain), in, out, Size); }));
}

void TCiph_cast128::DecryptCBC(const void* InData, void* OutData, size_t Size) {
    CheckInitialized();
    auto in = static_cast<const uint8_t*>(InData);
    auto out = static_cast<uint8_t*>(OutData);
    StoreBlock(fChain,
               WithRounds(fRounds, [&](auto r) { return DecryptCbc<r()>(fKey, LoadBlock(fChain), in, out, Size); }));
}

void TCiph_cast128::EncryptCFB8(const void* InData, void* OutData, size_t Size) {
    CheckInitialized();
    auto in = static_cast<const uint8_t*>(InData);
    auto out = static_cast<uint8_t*>(OutData);
    StoreBlock(fChain,
               WithRounds(fRounds, [&](auto r) { return Cfb8<r(), false>(fKey, LoadBlock(fChain), in, out, Size); }));
}

void TCiph_cast128::DecryptCFB8(const void* InData, void* OutData, size_t Size) {
    CheckInitialized();
    auto in = static_cast<const uint8_t*>(InData);
    auto out = static_cast<uint8_t*>(OutData);
    StoreBlock(fChain,
               WithRounds(fRounds, [&](auto r) { return Cfb8<r(), true>(fKey, LoadBlock(fChain), in, out, Size); }));
}
