#include <gtest/gtest.h>

#include "cipher/Cast128.h"
#include "cipher/CipherBase.h"
#include "cipher/SHA1.h"

namespace {

TEST(CipherBaseTest, RotateLeft32UsesTheLowFiveBitsOfTheCount) {
    EXPECT_EQ(RotateLeft32(0x80000001u, 1), 0x00000003u);
    EXPECT_EQ(RotateLeft32(0x12345678u, 0), 0x12345678u);
    EXPECT_EQ(RotateLeft32(0x12345678u, 32), 0x12345678u);
    EXPECT_EQ(RotateLeft32(0x12345678u, 36), 0x23456781u);
}

TEST(CipherBaseTest, XorBlockWorksInPlaceAndIgnoresNonPositiveCounts) {
    uint8_t a[4] = {0x0F, 0xF0, 0xAA, 0x55};
    const uint8_t b[4] = {0xFF, 0xFF, 0x0F, 0x55};
    XorBlock(a, b, a, 3);
    EXPECT_EQ(a[0], 0xF0);
    EXPECT_EQ(a[1], 0x0F);
    EXPECT_EQ(a[2], 0xA5);
    EXPECT_EQ(a[3], 0x55);  // beyond Count
    XorBlock(a, b, a, 0);
    XorBlock(a, b, a, -4);
    EXPECT_EQ(a[0], 0xF0);
}

// Values stored with a window are written back to these properties; they must not change the description.
TEST(CipherBaseTest, DescriptionCannotBeOverwritten) {
    TCiph_cast128 cipher;
    cipher.SetAlgorithm("Blowfish");
    cipher.SetBlockSize(128);
    cipher.SetMaxKeySize(448);
    EXPECT_EQ(cipher.Algorithm(), "Cast128");
    EXPECT_EQ(cipher.BlockSize(), 64);
    EXPECT_EQ(cipher.MaxKeySize(), 128);

    TCiph_sha1 hash;
    hash.SetAlgorithm("MD5");
    hash.SetHashSize(128);
    EXPECT_EQ(hash.Algorithm(), "SHA1");
    EXPECT_EQ(hash.HashSize(), 160);
}

}  // namespace
