#include <gtest/gtest.h>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"

namespace {

TEST(DateTimeTest, EpochAndKnownDays) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), 25569.0);
    EXPECT_EQ(EncodeDate(2000, 3, 1), 36586.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    int y, m, d;
    DecodeDate(36586.75, y, m, d);
    EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(2000, 3, 1));
    DecodeDate(EncodeDate(2024, 2, 29), y, m, d);
    EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(2024, 2, 29));
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
}

TEST(DateTimeTest, TimeOfDayRoundTrips) {
    TDateTime t = EncodeDate(2026, 12, 9) + EncodeTime(13, 5, 59, 250);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", t), "2026/12/09 13:05:59.250");
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", t), "20261209130559");
    EXPECT_EQ(FormatDateTime("hh:nn:ss:zzz", t), "13:05:59:250");
    EXPECT_EQ(FormatDateTime("m/d 'at' h", t), "12/9 at 13");
}

TEST(DateTimeTest, TextToDateTime) {
    TDateTime v = 0;
    EXPECT_TRUE(TryStrToDateTime("2026/12/09 13:05", v));
    EXPECT_DOUBLE_EQ(v, EncodeDate(2026, 12, 9) + EncodeTime(13, 5, 0, 0));
    EXPECT_TRUE(TryStrToDateTime("0", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(TryStrToDateTime("2026-01-31", v));
    EXPECT_FALSE(TryStrToDateTime("not a date", v));
    EXPECT_FALSE(TryStrToDateTime("2026/02/30", v));
    EXPECT_FALSE(TryStrToDateTime("", v));
    EXPECT_FALSE(TryStrToDateTime("nan", v));
}

TEST(DateTimeTest, UnixSeconds) {
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
    EXPECT_EQ(UnixToDateTime(0), 25569.0);
}

}  // namespace
