#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "tests/cipher/OpensslPeer.h"
#include "tests/client/CipherFilesFixture.h"

namespace tarvo::test {

namespace {

// The container as openssl makes it: key = first 16 bytes of the password's SHA-1; IV = the key's encryption
// of eight 0xFF bytes; a check block = the digest and twelve 0xFF bytes in CBC; the file in CBC from the IV,
// its last partial block XORed with the encryption of the last full ciphertext block (or of the IV).
std::string OpensslContainer(const std::string& passwordBytes, const std::string& plain) {
    std::string digest = OpensslSha1(passwordBytes);
    std::string key = digest.substr(0, 16);
    std::string iv = OpensslCast5("ecb", key, "", std::string(8, '\xFF'));
    std::string check = OpensslCast5("cbc", key, iv, digest + std::string(12, '\xFF'));
    size_t full = plain.size() / 8 * 8;
    std::string body = OpensslCast5("cbc", key, iv, plain.substr(0, full));
    if (full < plain.size()) {
        std::string pad = OpensslCast5("ecb", key, "", full ? body.substr(full - 8) : iv);
        for (size_t i = full; i < plain.size(); ++i)
            body += static_cast<char>(plain[i] ^ pad[i - full]);
    }
    return check + body;
}

struct ContainerCase {
    const char* name;
    std::string password;       // as the user typed it
    std::string passwordBytes;  // its code page 932 form
    size_t size;
    friend void PrintTo(const ContainerCase& c, std::ostream* os) { *os << c.name; }
};

class ContainerLayoutTest : public CipherFilesTest, public ::testing::WithParamInterface<ContainerCase> {};

INSTANTIATE_TEST_SUITE_P(Containers, ContainerLayoutTest,
                         ::testing::Values(ContainerCase{"Empty", "plinkova", "plinkova", 0},
                                           ContainerCase{"ShortBlockOnly", "plinkova", "plinkova", 5},
                                           ContainerCase{"EmptyPassword", "", "", 8192},
                                           ContainerCase{"PartialAfterFullChunk", "secret", "secret", 8193},
                                           ContainerCase{"JapanesePassword", "パスワード",
                                                         "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68", 100},
                                           ContainerCase{"AcrossBufferRefills", "x", "x", (size_t{3} << 20) + 5}),
                         [](const auto& info) { return info.param.name; });

// Stored trunks and account files stay readable only while the bytes are exactly these.
TEST_P(ContainerLayoutTest, SealsAsOpensslDoesAndOpensOpensslsContainers) {
    const ContainerCase& c = GetParam();
    const std::string plain = RandomBytes(c.size, static_cast<uint32_t>(c.size));
    const std::string expected = OpensslContainer(c.passwordBytes, plain);
    ASSERT_EQ(expected.size(), plain.size() + 32);
    WriteFile(Path("plain"), plain);
    WriteFile(Path("theirs.ace"), expected);

    ASSERT_TRUE(files.EncryptTrunk(Path("plain"), Path("ours.ace"), c.password));
    EXPECT_TRUE(ReadFile(Path("ours.ace")) == expected);
    ASSERT_TRUE(files.DecryptTrunk(Path("theirs.ace"), Path("opened"), c.password));
    EXPECT_TRUE(ReadFile(Path("opened")) == plain);
    EXPECT_TRUE(messages.empty());
}

TEST_F(CipherFilesTest, CheckBlockDependsOnlyOnThePassword) {
    WriteFile(Path("a"), "first file");
    WriteFile(Path("b"), RandomBytes(100, 2));
    ASSERT_TRUE(files.EncryptTrunk(Path("a"), Path("a1.ace"), "pw"));
    ASSERT_TRUE(files.EncryptTrunk(Path("a"), Path("a2.ace"), "pw"));
    ASSERT_TRUE(files.EncryptTrunk(Path("b"), Path("b.ace"), "pw"));
    ASSERT_TRUE(files.EncryptTrunk(Path("b"), Path("b-other.ace"), "pW"));
    EXPECT_EQ(ReadFile(Path("a1.ace")), ReadFile(Path("a2.ace")));
    EXPECT_EQ(ReadFile(Path("a1.ace")).substr(0, 32), ReadFile(Path("b.ace")).substr(0, 32));
    EXPECT_NE(ReadFile(Path("b.ace")).substr(0, 32), ReadFile(Path("b-other.ace")).substr(0, 32));
}

TEST_F(CipherFilesTest, WrongPasswordIsRefusedAndLeavesTheOutputNameAlone) {
    WriteFile(Path("plain"), "payload");
    ASSERT_TRUE(files.EncryptTrunk(Path("plain"), Path("t.ace"), "right"));
    WriteFile(Path("t.lzh"), "kept");

    EXPECT_FALSE(files.DecryptTrunk(Path("t.ace"), Path("t.lzh"), "wrong"));
    EXPECT_EQ(messages, std::vector<std::string>{"パスワードが違います。"});
    EXPECT_EQ(ReadFile(Path("t.lzh")), "kept");
    EXPECT_FALSE(files.DecryptTrunk(Path("t.ace"), Path("new.lzh"), "wrong"));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"plain", "t.ace", "t.lzh"}));
}

// Too short to hold the check block: a download cut short, not a wrong password.
TEST_F(CipherFilesTest, ContainerShorterThanCheckBlockIsRefusedAsDamaged) {
    for (size_t size : {0, 1, 31}) {
        messages.clear();
        WriteFile(Path("short.ace"), RandomBytes(size, 4));
        EXPECT_FALSE(files.DecryptTrunk(Path("short.ace"), Path("out"), "pw")) << size;
        EXPECT_EQ(messages, std::vector<std::string>{"暗号化ファイルが壊れています。"});
        EXPECT_FALSE(std::filesystem::exists(Path("out")));
    }
}

TEST_F(CipherFilesTest, OutputIsPrivateAndCipherIsWipedAfterwards) {
    WriteFile(Path("plain"), "payload");
    ASSERT_TRUE(files.EncryptTrunk(Path("plain"), Path("t.ace"), "pw"));
    auto perms = std::filesystem::status(Path("t.ace")).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    char block[8] = {};
    EXPECT_THROW(cipher.EncryptBlock(block, block), Exception);
}

TEST_F(CipherFilesTest, PasswordOutsideCodePage932IsRefused) {
    WriteFile(Path("plain"), "payload");
    EXPECT_FALSE(files.EncryptTrunk(Path("plain"), Path("t.ace"), "key🔑"));
    EXPECT_EQ(messages, std::vector<std::string>{"パスワードに使用できない文字が含まれています。"});
    EXPECT_EQ(Listing(), std::vector<std::string>{"plain"});
}

}  // namespace
}  // namespace tarvo::test
