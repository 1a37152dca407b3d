#include <gtest/gtest.h>

#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {

TEST(StringListTest, SortedCaseInsensitiveIgnoresDuplicates) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupIgnore);
    EXPECT_EQ(list.Add("b.txt"), 0);
    EXPECT_EQ(list.Add("A.txt"), 0);
    EXPECT_EQ(list.Add("a.TXT"), -1);
    EXPECT_EQ(list.Add("c"), 2);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "A.txt");
    EXPECT_EQ(list.IndexOf("B.TXT"), 1);
}

TEST(StringListTest, CaseSensitiveKeepsBothSpellings) {
    TStringList list;
    list.SetCaseSensitive(true);
    list.SetSorted(true);
    list.Add("a");
    list.Add("A");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "A");
    EXPECT_EQ(list.IndexOf("a"), 1);
}

TEST(StringListTest, DuplicatesRules) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    list.Add("x");
    EXPECT_THROW(list.Add("X"), EListError);
    list.SetDuplicates(dupAccept);
    list.Add("x");
    EXPECT_EQ(list.Count(), 2);
}

TEST(StringListTest, IndexErrorsAndUnsortedOrder) {
    TStringList list;
    list.Add("z");
    list.Add("a");
    EXPECT_EQ(list[0], "z");
    EXPECT_THROW(list[2], EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    list.Insert(1, "m");
    EXPECT_EQ(list.Text(), "z\r\nm\r\na\r\n");
}

TEST(StringListTest, TextSplitsEveryLineEnd) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[3], "four");
    list.SetText("k=v\r\nName=Value=2\r\n");
    EXPECT_EQ(list.Values("name"), "Value=2");
    EXPECT_EQ(list.Names(0), "k");
    EXPECT_EQ(list.Values("missing"), "");
}

}  // namespace
