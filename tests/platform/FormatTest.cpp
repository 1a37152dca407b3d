#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"
#include "tests/support/TestEnvironment.h"

namespace {

TEST(FormatTest, DirectivesAsTheClassLibraryWritesThem) {
    EXPECT_EQ(Format("%.4d", {7}), "0007");
    EXPECT_EQ(Format("%.4d", {-7}), "-0007");
    EXPECT_EQ(Format("%.4d", {12345}), "12345");
    EXPECT_EQ(Format("%5s|%-5s|", {"ab", "cd"}), "   ab|cd   |");
    EXPECT_EQ(Format("%x %.4x", {255, 10}), "FF 000A");
    EXPECT_EQ(Format("%d%%", {50}), "50%");
    EXPECT_EQ(Format("%*d", {4, 7}), "   7");
    EXPECT_EQ(Format("%.2f", {3.14159}), "3.14");
    EXPECT_EQ(Format("%.0n|%.1n", {-1234567.0, 999.95}), "-1,234,567|1,000.0");
}

TEST(FormatTest, IndexedArgumentsRestartTheSequence) {
    EXPECT_EQ(Format("%0:s を扱うには %1:s が 必要です。", {"LHA 形式書庫", "UNLHA32.DLL"}),
              "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。");
    EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
}

TEST(FormatTest, MismatchesRaiseConvertError) {
    EXPECT_THROW(Format("%d", {"text"}), EConvertError);
    EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
    EXPECT_THROW(Format("%", {}), EConvertError);
    try {
        Format("%d", {});
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
    }
}

TEST(SysUtilsTest, IntegerConversions) {
    EXPECT_EQ(StrToInt(" 42"), 42);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483648LL);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_THROW(StrToInt("12a"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_EQ(StrToIntDef("x", -1), -1);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(SysUtilsTest, PathRoutinesUseSlash) {
    EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("c.tar.gz"), ".gz");
    EXPECT_EQ(ChangeFileExt("/w/trunk.ace", ".lzh"), "/w/trunk.lzh");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/w"), "/w/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/w/"), "/w/");
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/../.."), "/");
    EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
    EXPECT_TRUE(SameText("Abc", "aBC"));
}

TEST(SysUtilsTest, Utf8ByItsBytePatterns) {
    EXPECT_EQ(Utf8SequenceLength('a'), 1u);
    EXPECT_EQ(Utf8SequenceLength(0xC3), 2u);
    EXPECT_EQ(Utf8SequenceLength(0xE3), 3u);
    EXPECT_EQ(Utf8SequenceLength(0xF0), 4u);
    EXPECT_EQ(Utf8SequenceLength(0x80), 0u);  // a continuation byte
    EXPECT_EQ(Utf8SequenceLength(0xFF), 0u);
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("trunk \xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_FALSE(IsUtf8("\xE6\x97"));      // cut short
    EXPECT_FALSE(IsUtf8("\xE6\x41\xA5"));  // a continuation byte missing
    EXPECT_FALSE(IsUtf8("\x93\xFA"));      // Shift-JIS
}

class FileRoutinesTest : public tarvo::test::TarvoTest {};

TEST_F(FileRoutinesTest, ForceDirectoriesAndRenameNeverReplaces) {
    std::string dir = sandbox().work + "x/y/z/";
    EXPECT_TRUE(ForceDirectories(dir));
    EXPECT_TRUE(DirectoryExists(dir));
    tarvo::test::WriteFile(dir + "a", "1");
    tarvo::test::WriteFile(dir + "b", "2");
    EXPECT_FALSE(RenameFile(dir + "a", dir + "b"));
    EXPECT_EQ(tarvo::test::ReadFile(dir + "b"), "2");
    EXPECT_TRUE(DeleteFile(dir + "a"));
    EXPECT_FALSE(DeleteFile(dir + "a"));
    EXPECT_FALSE(DeleteFile(dir));  // a folder is not a file
}

TEST(ExceptionTest, ClassNamesAndAssertionText) {
    EReadError e("Stream read error");
    const Exception& base = e;
    EXPECT_STREQ(base.ClassName(), "EReadError");
    EXPECT_EQ(EAssertionFailed("jso オプションが設定されていません。", "ARCHIVES\\LHA32", 264).Message(),
              "jso オプションが設定されていません。 (ARCHIVES\\LHA32, line 264)");
    EXPECT_EQ(Exception("%s: WSAStartup error #%d", {"wsock32.dll", 10091}).Message(),
              "wsock32.dll: WSAStartup error #10091");
}

}  // namespace
