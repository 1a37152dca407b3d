#include <gtest/gtest.h>

#include <string>

#include "cipher/Cast128.h"
#include "platform/rtl/SysUtils.h"
#include "tests/cipher/OpensslPeer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::Hex;
using tarvo::test::Unhex;

std::string EncryptEcb(const std::string& key, int bits, const std::string& plain) {
    TCiph_cast128 cipher;
    cipher.InitKey(key.data(), bits, nullptr);
    std::string out(8, '\0');
    cipher.EncryptBlock(plain.data(), out.data());
    return out;
}

struct KnownBlock {
    const char* name;
    const char* key;
    int bits;
    const char* cipher;
    friend void PrintTo(const KnownBlock& b, std::ostream* os) { *os << b.name; }
};

class Cast128KnownAnswerTest : public ::testing::TestWithParam<KnownBlock> {};

// RFC 2144, appendix B.1: plaintext 0123456789ABCDEF under one key truncated to 128, 80 and 40 bits.
INSTANTIATE_TEST_SUITE_P(Rfc2144B1, Cast128KnownAnswerTest,
                         ::testing::Values(KnownBlock{"Key128", "0123456712345678234567893456789A", 128,
                                                      "238B4FE5847E44B2"},
                                           KnownBlock{"Key80", "01234567123456782345", 80, "EB6A711A2C02271B"},
                                           KnownBlock{"Key40", "0123456712", 40, "7AC816D16E9B302E"}),
                         [](const auto& info) { return info.param.name; });

TEST_P(Cast128KnownAnswerTest, EncryptsAndDecryptsTheBlock) {
    const std::string key = Unhex(GetParam().key);
    const std::string plain = Unhex("0123456789ABCDEF");
    TCiph_cast128 cipher;
    cipher.InitKey(key.data(), GetParam().bits, nullptr);
    std::string block = plain;
    cipher.EncryptBlock(block.data(), block.data());
    EXPECT_EQ(Hex(block), GetParam().cipher);
    cipher.DecryptBlock(block.data(), block.data());
    EXPECT_EQ(block, plain);
}

// RFC 2144, appendix B.2: a and b encrypt each other's halves a million times.
TEST(Cast128Test, FullMaintenanceTest) {
    std::string a = Unhex("0123456712345678234567893456789A");
    std::string b = a;
    TCiph_cast128 cipher;
    for (int i = 0; i < 1000000; ++i) {
        cipher.InitKey(b.data(), 128, nullptr);
        cipher.EncryptBlock(&a[0], &a[0]);
        cipher.EncryptBlock(&a[8], &a[8]);
        cipher.InitKey(a.data(), 128, nullptr);
        cipher.EncryptBlock(&b[0], &b[0]);
        cipher.EncryptBlock(&b[8], &b[8]);
    }
    EXPECT_EQ(Hex(a), "EEA9D0A249FD3BA6B3436FB89D6DCA92");
    EXPECT_EQ(Hex(b), "B2C95EB00C31AD7180AC05B8E83D696E");
}

TEST(Cast128Test, AgreesWithOpensslOnRandomKeys) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        std::string key = tarvo::test::RandomBytes(16, seed);
        std::string data = tarvo::test::RandomBytes(8 * 512, seed + 100);
        TCiph_cast128 cipher;
        cipher.InitKey(key.data(), 128, nullptr);
        std::string mine = data;
        for (size_t at = 0; at < mine.size(); at += 8)
            cipher.EncryptBlock(&mine[at], &mine[at]);
        EXPECT_EQ(mine, tarvo::test::OpensslCast5("ecb", key, "", data)) << seed;
    }
}

// Keys up to 80 bits run 12 rounds; a longer one runs 16, so it equals its zero-padded 128-bit form.
TEST(Cast128Test, RoundCountFollowsKeyLength) {
    const std::string key = Unhex("0123456712345678234567893456789A");
    const std::string plain = Unhex("0123456789ABCDEF");
    auto padded = [&](int bytes) { return key.substr(0, bytes) + std::string(16 - bytes, '\0'); };
    EXPECT_EQ(EncryptEcb(key, 88, plain), EncryptEcb(padded(11), 128, plain));
    EXPECT_NE(EncryptEcb(key, 80, plain), EncryptEcb(padded(10), 128, plain));
}

TEST(Cast128Test, RefusesInvalidKeySizesAndStaysUninitialised) {
    const std::string key(17, '\x01');
    for (int bits : {0, 7, 136, -8}) {
        TCiph_cast128 cipher;
        cipher.InitKey(key.data(), 128, nullptr);
        try {
            cipher.InitKey(key.data(), bits, nullptr);
            ADD_FAILURE() << bits << " accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Cast128: Invalid key size - " + std::to_string(bits));
        }
        char block[8] = {};
        EXPECT_THROW(cipher.EncryptBlock(block, block), Exception) << bits;
    }
}

TEST(Cast128Test, EveryOperationNeedsAKey) {
    TCiph_cast128 cipher;
    char buf[16] = {};
    auto expectNotInitialized = [&](auto op) {
        try {
            op();
            ADD_FAILURE() << "ran without a key";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Cast128: Not initialized");
        }
    };
    for (int round = 0; round < 2; ++round) {
        expectNotInitialized([&] { cipher.EncryptBlock(buf, buf); });
        expectNotInitialized([&] { cipher.DecryptBlock(buf, buf); });
        expectNotInitialized([&] { cipher.EncryptCBC(buf, buf, 16); });
        expectNotInitialized([&] { cipher.DecryptCBC(buf, buf, 16); });
        expectNotInitialized([&] { cipher.EncryptCFB8(buf, buf, 16); });
        expectNotInitialized([&] { cipher.DecryptCFB8(buf, buf, 16); });
        // Keyed and wiped again: as good as new.
        cipher.InitKey(buf, 128, nullptr);
        cipher.Wipe();
    }
}

}  // namespace
