#include <gtest/gtest.h>

#include "platform/win/Registry.h"
#include "tests/support/Raised.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;
using namespace std::string_literals;

class RegistryObjectTest : public TarvoTest {};

TEST_F(RegistryObjectTest, RelativeAndAbsoluteKeys) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Vostrand", false));
    ASSERT_TRUE(reg.OpenKey("Software", true));
    ASSERT_TRUE(reg.OpenKey("Vostrand", true));  // from the open key
    EXPECT_EQ(reg.CurrentPath(), "Software\\Vostrand");
    reg.WriteString("Where", "inside");
    ASSERT_TRUE(reg.OpenKey("\\Other", true));  // from the root
    EXPECT_EQ(reg.CurrentPath(), "Other");
    EXPECT_TRUE(reg.KeyExists("\\Software\\Vostrand"));
    EXPECT_FALSE(reg.KeyExists("Software"));  // relative to Other
    reg.CloseKey();
    EXPECT_TRUE(reg.KeyExists("Software\\Vostrand"));
    EXPECT_EQ(GetRegValue(win::HKEY_CURRENT_USER, "Software\\Vostrand", "Where")->data, "inside\0"s);
    reg.SetRootKey(win::HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.KeyExists("Software"));
}

TEST_F(RegistryObjectTest, TypedReadsRaiseOnTheWrongKind) {
    SetRegDword(win::HKEY_CURRENT_USER, "K", "Int", 42);
    SetRegString(win::HKEY_CURRENT_USER, "K", "Str", "7");
    SetRegValue(win::HKEY_CURRENT_USER, "K", "Cut", win::REG_SZ, "ab\0cd\0"s);
    SetRegValue(win::HKEY_CURRENT_USER, "K", "Exp", win::REG_EXPAND_SZ, "%HOME%\0"s);
    SetRegBinary(win::HKEY_CURRENT_USER, "K", "Empty", "");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("K"));
    EXPECT_EQ(reg.ReadInteger("Int"), 42);
    EXPECT_EQ(reg.ReadString("Cut"), "ab");
    EXPECT_EQ(reg.ReadString("Exp"), "%HOME%");  // never expanded
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadString("Empty"), "");  // no data: no kind check, as the class library
    EXPECT_EQ(reg.GetDataType("Int"), rdInteger);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    ExpectError<ERegistryException>([&] { reg.ReadString("Int"); }, "Invalid data type for 'Int'");
    ExpectError<ERegistryException>([&] { reg.ReadInteger("Str"); }, "Invalid data type for 'Str'");
    ExpectError<ERegistryException>([&] { reg.ReadInteger("Missing"); }, "Failed to get data for 'Missing'");
    ExpectError<ERegistryException>([&] { reg.WriteString("Int", "x"); },
                                    "Failed to set data for 'Int'");  // opened read-only
    EXPECT_EQ(reg.ReadInteger("Int"), 42);
}

TEST_F(RegistryObjectTest, BinaryDataFitsTheBufferOrRaises) {
    SetRegBinary(win::HKEY_CURRENT_USER, "K", "Bin", "abcd");
    SetRegValue(win::HKEY_CURRENT_USER, "K", "Other", 0x99, "xy");
    SetRegString(win::HKEY_CURRENT_USER, "K", "Str", "s");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", false));
    char buf[4];
    EXPECT_EQ(reg.ReadBinaryData("Bin", buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_EQ(reg.ReadBinaryData("Other", buf, 4), 2);  // an unknown kind reads as binary
    EXPECT_EQ(reg.ReadBinaryData("Missing", buf, 4), 0);
    ExpectError<ERegistryException>([&] { reg.ReadBinaryData("Bin", buf, 3); }, "Invalid data type for 'Bin'");
    ExpectError<ERegistryException>([&] { reg.ReadBinaryData("Str", buf, 4); }, "Invalid data type for 'Str'");
    reg.WriteBinaryData("New", "\0\1"s.data(), 2);
    EXPECT_EQ(GetRegValue(win::HKEY_CURRENT_USER, "K", "New")->type, win::REG_BINARY);
    EXPECT_TRUE(reg.DeleteValue("New"));
    EXPECT_FALSE(reg.ValueExists("New"));
    EXPECT_FALSE(reg.DeleteValue("New"));
}

TEST_F(RegistryObjectTest, DeleteKeyTakesEverythingBelow) {
    SetRegString(win::HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo\\Sub\\Deeper", "v", "1");
    SetRegString(win::HKEY_CURRENT_USER, "Software\\Vostrand\\Gorb", "v", "1");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Vostrand"));
    TStringList names;
    reg.GetKeyNames(names);
    EXPECT_EQ(names.Text(), "Gorb\r\nTarvo\r\n");
    EXPECT_TRUE(reg.DeleteKey("Tarvo"));  // the parent is open for reading only
    EXPECT_FALSE(reg.DeleteKey("Tarvo"));
    EXPECT_FALSE(reg.DeleteKey(""));
    reg.GetKeyNames(names);
    EXPECT_EQ(names.Text(), "Gorb\r\n");
    EXPECT_TRUE(reg.DeleteKey("\\Software\\Vostrand\\Gorb"));
    EXPECT_TRUE(RegKeyExists(win::HKEY_CURRENT_USER, "Software\\Vostrand"));
}

}  // namespace
