#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/rtl/FileSearch.h"
#include "tests/support/TestEnvironment.h"

namespace {

TEST(MaskTest, DosMasksMatchCaseSensitively) {
    EXPECT_TRUE(MatchesMask("anything", "*.*"));
    EXPECT_TRUE(MatchesMask("noext", "*.*"));
    EXPECT_TRUE(MatchesMask("a.lzh", "*.lzh"));
    EXPECT_FALSE(MatchesMask("a.LZH", "*.lzh"));
    EXPECT_TRUE(MatchesMask("ab.c", "a?.c"));
    EXPECT_TRUE(MatchesMask("aあ.c", "a?.c"));  // "?" takes one character, not one byte
    EXPECT_FALSE(MatchesMask("abc.c", "a?.c"));
    EXPECT_TRUE(MatchesMask("x.tar.gz", "*.gz"));
    EXPECT_TRUE(MatchesMask("abcabd", "*abd"));
    EXPECT_FALSE(MatchesMask("abc", "abcd"));
}

class FileSearchTest : public tarvo::test::TarvoTest {};

std::set<std::string> Search(const std::string& path, int attr) {
    std::set<std::string> names;
    TSearchRec rec;
    for (int r = FindFirst(path, attr, rec); r == 0; r = FindNext(rec))
        names.insert(rec.Name);
    FindClose(rec);
    return names;
}

TEST_F(FileSearchTest, AttributesFilterFoldersHiddenAndSpecialFiles) {
    std::string dir = sandbox().work;
    tarvo::test::WriteFile(dir + "a.txt", "12345");
    tarvo::test::WriteFile(dir + ".hidden", "");
    mkdir((dir + "sub").c_str(), 0700);
    mkfifo((dir + "pipe").c_str(), 0600);
    EXPECT_EQ(Search(dir + "*", 0), (std::set<std::string>{"a.txt"}));
    EXPECT_EQ(Search(dir + "*", faAnyFile), (std::set<std::string>{".", "..", "a.txt", ".hidden", "sub", "pipe"}));
    TSearchRec rec;
    ASSERT_EQ(FindFirst(dir + "a.*", faAnyFile, rec), 0);
    EXPECT_EQ(rec.Size, 5);
    EXPECT_EQ(rec.Attr & faArchive, faArchive);
    EXPECT_NE(rec.Time, 0);
    FindClose(rec);
    EXPECT_NE(FindFirst(dir + "nothing*", faAnyFile, rec), 0);
    EXPECT_NE(FindFirst(dir + "missing/*", faAnyFile, rec), 0);
}

TEST(FileDateTest, DosDateRoundTripsInLocalTime) {
    time_t t = 1700000000;  // 2023-11-15 07:13:20 JST
    int32_t dos = UnixToFileDate(t);
    EXPECT_EQ(static_cast<uint32_t>(dos) >> 25, 2023u - 1980u);
    EXPECT_EQ(FileDateToUnix(dos), t);
    EXPECT_EQ(UnixToFileDate(0), 0);  // before 1980
}

}  // namespace
