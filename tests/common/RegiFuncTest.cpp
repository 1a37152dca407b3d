#include <gtest/gtest.h>

#include <filesystem>

#include "common/Unit_Func_Regi.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"
#include "tools/provision/Provision.h"

namespace {

using namespace tarvo::test;
using namespace std::string_literals;
using win::HKEY_CURRENT_USER;

class RegiFuncTest : public TarvoTest {
protected:
    std::string HiveFile() { return sandbox().machine + "registry/HKEY_CURRENT_USER.reg"; }
};

TEST_F(RegiFuncTest, EmptyKeyMeansTheSettingsKey) {
    EXPECT_TRUE(RegWriteString("LastTime", "0", ""));
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "LastTime")->data, "0\0"s);
    SetRegDword(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "MaxTruncSize", 1000);
    EXPECT_EQ(RegReadInteger("MaxTruncSize", ""), 1000);
    std::string text;
    RegReadString("LastTime", "", text);
    EXPECT_EQ(text, "0");
    EXPECT_TRUE(RegWriteInteger("Other", -5, "Software\\Elsewhere"));
    EXPECT_EQ(RegReadInteger("Other", "Software\\Elsewhere"), -5);
}

TEST_F(RegiFuncTest, ReadersNeverCreateTheKey) {
    std::string text = "kept";
    RegReadString("LastTime", "", text);
    EXPECT_EQ(text, "kept");  // the key does not open: left as the caller had it
    EXPECT_EQ(RegReadInteger("MaxTruncSize", ""), 0);
    RegReadBinaryString("Account", "", text);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(std::filesystem::exists(sandbox().machine + "registry"));
}

TEST_F(RegiFuncTest, StringsOfEveryKind) {
    const std::string key = DefaultRegKey;
    SetRegValue(HKEY_CURRENT_USER, key, "Cut", win::REG_SZ, "2024/01/02\0junk\0"s);
    SetRegValue(HKEY_CURRENT_USER, key, "Exp", win::REG_EXPAND_SZ, "%TEMP%\0"s);
    SetRegDword(HKEY_CURRENT_USER, key, "Int", 3);
    std::string text = "x";
    RegReadString("Cut", "", text);
    EXPECT_EQ(text, "2024/01/02");
    RegReadString("Exp", "", text);
    EXPECT_EQ(text, "%TEMP%");
    RegReadString("Missing", "", text);
    EXPECT_EQ(text, "");
    text = "kept";
    EXPECT_THROW(RegReadString("Int", "", text), ERegistryException);
    EXPECT_EQ(text, "kept");
}

TEST_F(RegiFuncTest, IntegersOfOtherKindsReadAsZero) {
    SetRegString(HKEY_CURRENT_USER, DefaultRegKey, "DwDelFlag", "1");
    SetRegBinary(HKEY_CURRENT_USER, DefaultRegKey, "AutoFlag", "\1\0\0\0"s);
    SetRegDword(HKEY_CURRENT_USER, DefaultRegKey, "AutoTime", 0xFFFFFFFF);
    EXPECT_EQ(RegReadInteger("DwDelFlag", ""), 0);
    EXPECT_EQ(RegReadInteger("AutoFlag", ""), 0);
    EXPECT_EQ(RegReadInteger("Missing", ""), 0);
    EXPECT_EQ(RegReadInteger("AutoTime", ""), -1);
}

TEST_F(RegiFuncTest, BinaryShortStrings) {
    const std::string key = DefaultRegKey;
    auto read = [](const std::string& name) {
        std::string text = "stale";
        RegReadBinaryString(name, "", text);
        return text;
    };
    SetRegBinary(HKEY_CURRENT_USER, key, "Account",
                 "\x03"
                 "abc");
    SetRegBinary(HKEY_CURRENT_USER, key, "TooLong", std::string(102, '\x01'));
    SetRegBinary(HKEY_CURRENT_USER, key, "Claims",
                 "\x32"
                 "abc");  // says 50, holds 3
    SetRegBinary(HKEY_CURRENT_USER, key, "Huge", "\xFF" + std::string(100, 'z'));
    SetRegBinary(HKEY_CURRENT_USER, key, "Empty", "");
    SetRegString(HKEY_CURRENT_USER, key, "Text", "abc");
    EXPECT_EQ(read("Account"), "abc");
    EXPECT_EQ(read("Missing"), "");
    EXPECT_EQ(read("TooLong"), "");
    EXPECT_EQ(read("Claims"), "abc");
    EXPECT_EQ(read("Huge"), std::string(100, 'z'));
    EXPECT_EQ(read("Empty"), "");
    EXPECT_EQ(read("Text"), "");
    // Scrambled credentials as provisioned come back as stored, for the caller to unscramble.
    SetRegShortString(HKEY_CURRENT_USER, key, "ServerName", ScrambleText("ftp.example"));
    EXPECT_EQ(read("ServerName"), ScrambleText("ftp.example"));
}

TEST_F(RegiFuncTest, BinaryShortStringWriterCutsAtAHundred) {
    std::string text(150, 'q');
    EXPECT_TRUE(RegWriteBinaryString("Password", text, ""));
    auto v = GetRegValue(HKEY_CURRENT_USER, DefaultRegKey, "Password");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, win::REG_BINARY);
    EXPECT_EQ(v->data, "\x64" + std::string(100, 'q'));
    EXPECT_TRUE(RegWriteBinaryString("Account", "", ""));
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, DefaultRegKey, "Account")->data, "\0"s);
    std::string back;
    RegReadBinaryString("Password", "", back);
    EXPECT_EQ(back, std::string(100, 'q'));
}

TEST_F(RegiFuncTest, WritersReportFailure) {
    WriteFile(HiveFile(), "damaged\n");
    EXPECT_FALSE(RegWriteString("LastTime", "0", ""));
    EXPECT_FALSE(RegWriteInteger("MaxTruncSize", 1, ""));
    EXPECT_FALSE(RegWriteBinaryString("Account", "a", ""));
    EXPECT_EQ(ReadFile(HiveFile()), "damaged\n");
    std::filesystem::remove(HiveFile());
    EXPECT_FALSE(RegWriteString("bad\nname", "0", ""));
}

}  // namespace
