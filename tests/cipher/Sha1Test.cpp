#include <gtest/gtest.h>

#include <string>

#include "cipher/SHA1.h"
#include "platform/rtl/SysUtils.h"
#include "tests/cipher/OpensslPeer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::Hex;

// The digest of message fed to the hash in pieces of at most `piece` bytes.
std::string Digest(const std::string& message, size_t piece = std::string::npos) {
    TCiph_sha1 hash;
    hash.HashInit();
    for (size_t at = 0; at < message.size(); at += piece)
        hash.HashUpdate(message.data() + at, std::min(piece, message.size() - at));
    std::string digest(20, '\0');
    hash.HashFinal(digest.data());
    return Hex(digest);
}

struct KnownDigest {
    const char* name;
    std::string message;
    const char* digest;
    friend void PrintTo(const KnownDigest& d, std::ostream* os) { *os << d.name; }
};

class Sha1KnownAnswerTest : public ::testing::TestWithParam<KnownDigest> {};

// FIPS 180-1, appendices A, B and C.
INSTANTIATE_TEST_SUITE_P(
    Fips180_1, Sha1KnownAnswerTest,
    ::testing::Values(KnownDigest{"OneBlock", "abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
                      KnownDigest{"TwoBlocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                                  "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
                      KnownDigest{"MillionA", std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"}),
    [](const auto& info) { return info.param.name; });

TEST_P(Sha1KnownAnswerTest, MatchesPublishedDigest) {
    EXPECT_EQ(Digest(GetParam().message), GetParam().digest);
    // Pieces that straddle block boundaries in every way give the same digest.
    for (size_t piece : {1, 7, 63, 64, 65, 1000})
        EXPECT_EQ(Digest(GetParam().message, piece), GetParam().digest) << piece;
}

// Lengths around the padding boundary: 55 bytes pad within the block, 56 need a block of their own.
TEST(Sha1Test, PaddingBoundariesMatchOpenssl) {
    std::string message = tarvo::test::RandomBytes(130, 1);
    for (size_t size : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 128}) {
        std::string part = message.substr(0, size);
        EXPECT_EQ(Digest(part), Hex(tarvo::test::OpensslSha1(part))) << size;
    }
}

TEST(Sha1Test, EmptyStringAddsNothing) {
    TCiph_sha1 hash;
    hash.HashInit();
    hash.HashUpdateStr("");
    std::string digest(20, '\0');
    hash.HashFinal(digest.data());
    EXPECT_EQ(Hex(digest), Digest(""));
    EXPECT_EQ(Hex(digest), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

TEST(Sha1Test, UseWithoutInitRaises) {
    TCiph_sha1 hash;
    char digest[20];
    EXPECT_THROW(
        {
            try {
                hash.HashUpdate("x", 1);
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), "SHA1: Not initialized");
                throw;
            }
        },
        Exception);
    EXPECT_THROW(hash.HashFinal(digest), Exception);

    // HashFinal leaves the object uninitialised: a second one needs HashInit again.
    hash.HashInit();
    hash.HashUpdate("abc", 3);
    hash.HashFinal(digest);
    EXPECT_THROW(hash.HashFinal(digest), Exception);
    hash.HashInit();
    hash.HashUpdate("abc", 3);
    hash.HashFinal(digest);
    EXPECT_EQ(Hex(std::string(digest, 20)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}

}  // namespace
