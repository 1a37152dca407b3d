#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cipher/Cast128.h"
#include "tests/cipher/OpensslPeer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::RandomBytes;

const std::string kKey = RandomBytes(16, 7);
const std::string kIV = RandomBytes(8, 8);

enum class Mode { Cbc, Cfb8 };

// Runs data through one mode in consecutive calls of the given sizes (the rest in a last call).
std::string Crypt(TCiph_cast128& cipher, Mode mode, bool encrypt, std::string data,
                  const std::vector<size_t>& calls = {}) {
    size_t at = 0;
    auto step = [&](size_t n) {
        char* p = data.data() + at;
        if (mode == Mode::Cbc) {
            encrypt ? cipher.EncryptCBC(p, p, n) : cipher.DecryptCBC(p, p, n);
        } else {
            encrypt ? cipher.EncryptCFB8(p, p, n) : cipher.DecryptCFB8(p, p, n);
        }
        at += n;
    };
    for (size_t n : calls)
        step(std::min(n, data.size() - at));
    step(data.size() - at);
    return data;
}

TCiph_cast128& Keyed(TCiph_cast128& cipher, const char* iv = kIV.data()) {
    cipher.InitKey(kKey.data(), 128, iv);
    return cipher;
}

std::string EncryptBlock(TCiph_cast128& cipher, std::string block) {
    cipher.EncryptBlock(block.data(), block.data());
    return block;
}

class Cast128RoundTripTest : public ::testing::TestWithParam<size_t> {};

INSTANTIATE_TEST_SUITE_P(Sizes, Cast128RoundTripTest, ::testing::Values(0, 1, 5, 7, 8, 9, 16, 37, 64, 100, 1003, 4099));

// Encrypting in one call and decrypting in several (or the other way round) gives the input back in every mode.
TEST_P(Cast128RoundTripTest, ChainedModesInvertAcrossCalls) {
    const std::string plain = RandomBytes(GetParam(), static_cast<uint32_t>(GetParam()));
    for (Mode mode : {Mode::Cbc, Mode::Cfb8}) {
        TCiph_cast128 cipher;
        std::string sealed = Crypt(Keyed(cipher), mode, true, plain);
        EXPECT_EQ(sealed.size(), plain.size());
        if (plain.size() >= 8) {
            EXPECT_NE(sealed, plain);
        }
        std::vector<size_t> calls =
            mode == Mode::Cbc ? std::vector<size_t>{8, 32, 16} : std::vector<size_t>{1, 3, 7, 30};
        EXPECT_EQ(Crypt(Keyed(cipher), mode, false, sealed, calls), plain);
        EXPECT_EQ(Crypt(Keyed(cipher), mode, true, plain, calls), sealed);
    }
}

TEST(Cast128ModesTest, CbcAgreesWithOpenssl) {
    std::string plain = RandomBytes(8 * 1000, 3);
    TCiph_cast128 cipher;
    EXPECT_EQ(Crypt(Keyed(cipher), Mode::Cbc, true, plain), tarvo::test::OpensslCast5("cbc", kKey, kIV, plain));
}

TEST(Cast128ModesTest, DefaultIvIsEncryptionOfOnes) {
    TCiph_cast128 cipher;
    std::string iv = EncryptBlock(Keyed(cipher), std::string(8, '\xFF'));
    // With less than one block there is nothing to chain: the input is XORed with E(IV).
    std::string pad = EncryptBlock(cipher, iv);
    std::string plain = "hello";
    std::string sealed = Crypt(Keyed(cipher, nullptr), Mode::Cbc, true, plain);
    for (size_t i = 0; i < plain.size(); ++i)
        EXPECT_EQ(sealed[i], static_cast<char>(plain[i] ^ pad[i])) << i;
    // And it is the same IV an explicit one would give.
    EXPECT_EQ(Crypt(Keyed(cipher, iv.data()), Mode::Cbc, true, plain), sealed);
}

// A trailing partial block leaves the chain where the last whole block put it.
TEST(Cast128ModesTest, PartialCbcBlockDoesNotMoveTheChain) {
    std::string plain = RandomBytes(24, 5);
    TCiph_cast128 cipher;
    std::string whole = Crypt(Keyed(cipher), Mode::Cbc, true, plain.substr(0, 8) + plain.substr(16, 8));
    Keyed(cipher);
    std::string first = Crypt(cipher, Mode::Cbc, true, plain.substr(0, 13));
    std::string next = Crypt(cipher, Mode::Cbc, true, plain.substr(16, 8));
    EXPECT_EQ(first.substr(0, 8), whole.substr(0, 8));
    EXPECT_EQ(next, whole.substr(8, 8));
}

TEST(Cast128ModesTest, Cfb8FeedsCiphertextBytesBack) {
    TCiph_cast128 cipher;
    std::string plain = "AB";
    std::string sealed = Crypt(Keyed(cipher), Mode::Cfb8, true, plain);
    std::string k0 = EncryptBlock(cipher, kIV);
    std::string k1 = EncryptBlock(cipher, kIV.substr(1) + sealed[0]);
    EXPECT_EQ(sealed[0], static_cast<char>(plain[0] ^ k0[0]));
    EXPECT_EQ(sealed[1], static_cast<char>(plain[1] ^ k1[0]));
}

TEST(Cast128ModesTest, ResetChainRestartsAndEcbLeavesTheChainAlone) {
    std::string plain = RandomBytes(32, 9);
    for (Mode mode : {Mode::Cbc, Mode::Cfb8}) {
        TCiph_cast128 cipher;
        std::string first = Crypt(Keyed(cipher), mode, true, plain);
        cipher.ResetChain();
        std::string half = Crypt(cipher, mode, true, plain.substr(0, 16));
        EncryptBlock(cipher, "12345678");
        EXPECT_EQ(half + Crypt(cipher, mode, true, plain.substr(16)), first);
    }
}

}  // namespace
