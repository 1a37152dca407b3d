#include <gtest/gtest.h>

#include "client/TrunkNames.h"
#include "platform/win/CodePage.h"

namespace {

TEST(TrunkNamesTest, RuleRefusesWhatCannotBeOneFileName) {
    EXPECT_EQ(CheckTrunkName("月次報告2024"), TTrunkNameFault::None);
    EXPECT_EQ(CheckTrunkName("ソ表"), TTrunkNameFault::None);  // "ソ" ends in 0x5C in code page 932
    EXPECT_EQ(CheckTrunkName(""), TTrunkNameFault::Empty);
    for (char c : BadNameChars)
        EXPECT_EQ(CheckTrunkName(std::string("a") + c + "b"), TTrunkNameFault::BadChar) << c;
    EXPECT_EQ(CheckTrunkName("a\tb"), TTrunkNameFault::Control);
    EXPECT_EQ(CheckTrunkName("a\x7f"), TTrunkNameFault::Control);
    EXPECT_EQ(CheckTrunkName("."), TTrunkNameFault::DotName);
    EXPECT_EQ(CheckTrunkName(".."), TTrunkNameFault::DotName);
    EXPECT_EQ(CheckTrunkName("..."), TTrunkNameFault::None);
    EXPECT_EQ(CheckTrunkName("emoji😀"), TTrunkNameFault::NotCp932);
    EXPECT_EQ(CheckTrunkName("bad\xff"), TTrunkNameFault::NotCp932);
    // Names that would come back as other names from the server.
    EXPECT_EQ(CheckTrunkName("a¥b"), TTrunkNameFault::NotCp932);
    EXPECT_EQ(CheckTrunkName(win::RoundTripsCp932("〜") ? "報告～" : "報告〜"), TTrunkNameFault::NotCp932);
    EXPECT_EQ(CheckTrunkName(std::string(MaxTrunkNameBytes, 'x')), TTrunkNameFault::None);
    EXPECT_EQ(CheckTrunkName(std::string(MaxTrunkNameBytes + 1, 'x')), TTrunkNameFault::TooLong);
}

TEST(TrunkNamesTest, MessagesName12CharactersEndingInTheBlank) {
    EXPECT_EQ(BadNameChars.size(), 12u);
    EXPECT_EQ(TrunkNameFaultMessage(TTrunkNameFault::BadChar),
              "以下の文字はトランク名に使用できません。\r\n\r\n\\/:,;*?\"<>| ");
    EXPECT_EQ(TrunkNameFaultMessage(TTrunkNameFault::Empty), "トランク名を指定してください。");
}

TEST(TrunkNamesTest, SizeInKilobytesRoundsHalvesToEven) {
    EXPECT_EQ(SizeToKB(0), "0 KB");
    EXPECT_EQ(SizeToKB(1023), "1 KB");
    EXPECT_EQ(SizeToKB(512), "0 KB");
    EXPECT_EQ(SizeToKB(1536), "2 KB");
    EXPECT_EQ(SizeToKB(2560), "2 KB");
    EXPECT_EQ(SizeToKB(513), "1 KB");
    EXPECT_EQ(SizeToKB(int64_t{5} << 40), "5368709120 KB");
}

TEST(TrunkNamesTest, ArchivePathsSplitAtTheLastSlash) {
    std::string dir = "stale", name = "stale";
    SplitArchivePath("a/b/c.txt", dir, name);
    EXPECT_EQ(dir, "a/b/");
    EXPECT_EQ(name, "c.txt");
    SplitArchivePath("c.txt", dir, name);
    EXPECT_EQ(dir, "");
    EXPECT_EQ(name, "c.txt");
    SplitArchivePath("folder/", dir, name);
    EXPECT_EQ(dir, "folder/");
    EXPECT_EQ(name, "");
    SplitArchivePath("", dir, name);
    EXPECT_EQ(dir + name, "");
    EXPECT_EQ(EscapedName("a\\b\x01\xe9"), "a\\x5Cb\\x01\\xE9");
}

}  // namespace
