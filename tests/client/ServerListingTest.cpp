#include <gtest/gtest.h>

#include "client/ServerListing.h"
#include "platform/win/CodePage.h"

namespace {

// 2024-03-10 12:00, local.
TDateTime Noon() {
    return EncodeDate(2024, 3, 10) + EncodeTime(12, 0, 0, 0);
}

std::vector<std::string> Names(const TServerListing& listing) {
    std::vector<std::string> names;
    for (const auto& f : listing.Files)
        names.push_back(f.FileName);
    return names;
}

TEST(ServerListingTest, UnixLinesWithAndWithoutTotal) {
    const char* withTotal =
        "total 12\r\n"
        "-rw-r--r--    1 ftp      ftp          4128 Mar  9 17:05 report.ace\r\n"
        "-rw-r--r--    1 ftp      ftp            12 Jan 31  2019 report.txt\r\n";
    TServerListing listing = ParseServerListing(withTotal, Noon());
    ASSERT_EQ(listing.Files.size(), 2u);
    EXPECT_EQ(listing.Files[0].FileName, "report.ace");
    EXPECT_EQ(listing.Files[0].Size, 4128);
    EXPECT_DOUBLE_EQ(listing.Files[0].Date, EncodeDate(2024, 3, 9) + EncodeTime(17, 5, 0, 0));
    EXPECT_DOUBLE_EQ(listing.Files[1].Date, EncodeDate(2019, 1, 31));

    // Most servers send no total line: the first file is a file all the same.
    TServerListing bare = ParseServerListing(
        "-rw-r--r-- 1 u g 5 Feb  1 10:00 first.ace\n-rw-r--r-- 1 u g 6 Feb  2 10:00 second.ace", Noon());
    EXPECT_EQ(Names(bare), (std::vector<std::string>{"first.ace", "second.ace"}));
    // Only the first line can be a total line.
    EXPECT_EQ(ParseServerListing("total 0\r\n", Noon()).Files.size(), 0u);
    EXPECT_EQ(ParseServerListing("", Noon()).Files.size(), 0u);
}

TEST(ServerListingTest, YearOfATimeOfDayIsTheLatestNotInTheFuture) {
    auto dateOf = [](const std::string& when) {
        TServerListing l = ParseServerListing("-rw-r--r-- 1 u g 1 " + when + " f.ace\n", Noon());
        return l.Files.empty() ? -1.0 : l.Files[0].Date;
    };
    EXPECT_DOUBLE_EQ(dateOf("Mar 11 09:00"), EncodeDate(2024, 3, 11) + EncodeTime(9, 0, 0, 0));  // within a day
    EXPECT_DOUBLE_EQ(dateOf("Mar 12 09:00"), EncodeDate(2023, 3, 12) + EncodeTime(9, 0, 0, 0));
    EXPECT_DOUBLE_EQ(dateOf("Dec 31 23:59"), EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 0, 0));
    EXPECT_DOUBLE_EQ(dateOf("Feb 29 08:00"), EncodeDate(2024, 2, 29) + EncodeTime(8, 0, 0, 0));
    EXPECT_DOUBLE_EQ(dateOf("feb 29 2020"), EncodeDate(2020, 2, 29));
    for (const char* bad : {"Feb 30 2020", "Foo 1 2020", "Mar 1 25:00", "Mar 1 12:60", "Mar x 2020", "Mar 1 20201"})
        EXPECT_EQ(dateOf(bad), -1.0) << bad;
}

TEST(ServerListingTest, BadLinesAndFoldersAreSkippedNotFatal) {
    const char* listing =
        "drwxr-xr-x 2 u g 4096 Mar  1 10:00 folder.ace\n"
        "-rw-r--r-- 1 u g 77 Mäz  1 10:00 odd-date.ace\n"
        "-rw-r--r-- 1 u g -5 Mar  1 10:00 negative.ace\n"
        "-rw-r--r-- 1 u g 99999999999999999999 Mar  1 10:00 huge.ace\n"
        "too few fields\n"
        "-rw-r--r-- 1 u g 3 Mar  1 10:00\n"
        "   -rw-r--r-- 1 u g 8 Mar  1 10:00 indented.ace\n"
        "-rw-r--r-- 1 u g 6000000000 Mar  1 10:00 big.ace\n";
    TServerListing parsed = ParseServerListing(listing, Noon());
    EXPECT_EQ(Names(parsed), (std::vector<std::string>{"indented.ace", "big.ace"}));
    EXPECT_EQ(parsed.Files[1].Size, 6000000000);
}

TEST(ServerListingTest, NamesRunToTheEndOfTheLine) {
    std::string sjis = *win::Utf8ToCp932("議事録　三月.ace");
    std::string listing =
        "-rw-r--r-- 1 u g 1 Mar  1 10:00 two  blanks.ace \r\n"
        "lrwxrwxrwx 1 u g 9 Mar  1 10:00 link.ace -> target.ace\r\n"
        "-rw-r--r-- 1 u g 1 Mar  1 10:00 " +
        sjis +
        "\r\n"
        "-rw-r--r-- 1 u g 1 Mar  1 10:00 bad\xff\x82name.ace\r\n"
        "-rw-r--r-- 1 u g 1 Mar  1 10:00 after.ace\r\n";
    TServerListing parsed = ParseServerListing(listing, Noon());
    EXPECT_EQ(Names(parsed),
              (std::vector<std::string>{"two  blanks.ace", "link.ace", "議事録　三月.ace", "after.ace"}));
    EXPECT_EQ(parsed.Unreadable, (std::vector<std::string>{"bad\\xFF\\x82name.ace"}));
}

TEST(ServerListingTest, OnlyLowerCaseAceIsATrunk) {
    EXPECT_TRUE(IsTrunkFileName("a.ace"));
    EXPECT_TRUE(IsTrunkFileName(".ace"));
    EXPECT_FALSE(IsTrunkFileName("a.ACE"));
    EXPECT_FALSE(IsTrunkFileName("a.ace.txt"));
    EXPECT_FALSE(IsTrunkFileName("ace"));
}

}  // namespace
