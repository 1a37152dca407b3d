#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/FileTimes.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;

FILETIME Ft(uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
uint64_t Ticks(const FILETIME& ft) {
    return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

SYSTEMTIME St(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME st;
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    st.wMilliseconds = static_cast<WORD>(ms);
    return st;
}

std::string Text(const SYSTEMTIME& st) {
    char b[64];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d.%03d w%d", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek);
    return b;
}

TEST(FileTimesTest, FileTimeAndSystemTimeAgree) {
    const struct {
        uint64_t ticks;
        const char* text;
    } cases[] = {
        {0, "1601-01-01 00:00:00.000 w1"},
        {116444736000000000, "1970-01-01 00:00:00.000 w4"},
        {125911584000000000, "2000-01-01 00:00:00.000 w6"},
        {125963547456780000, "2000-03-01 03:25:45.678 w3"},
        {0x7FFFFFFFFFFFFFFF, "30828-09-14 02:48:05.477 w4"},
    };
    for (const auto& c : cases) {
        SYSTEMTIME st;
        FILETIME in = Ft(c.ticks);
        ASSERT_TRUE(FileTimeToSystemTime(&in, &st));
        EXPECT_EQ(Text(st), c.text);
        FILETIME back;
        if (st.wYear <= 30827) {
            ASSERT_TRUE(SystemTimeToFileTime(&st, &back));
            EXPECT_EQ(Ticks(back), c.ticks);
        }
    }
    FILETIME top = Ft(0x8000000000000000);
    SYSTEMTIME st = St(1999, 9, 9);
    EXPECT_FALSE(FileTimeToSystemTime(&top, &st));
    EXPECT_EQ(st.wYear, 1999);  // untouched
}

TEST(FileTimesTest, SystemTimeFieldsOutOfRangeFail) {
    FILETIME ft = Ft(42);
    for (const SYSTEMTIME& st : {St(1600, 12, 31), St(2001, 2, 29), St(2000, 13, 1), St(2000, 1, 0), St(2000, 1, 1, 24),
                                 St(2000, 1, 1, 0, 60), St(2000, 1, 1, 0, 0, 60), St(2000, 1, 1, 0, 0, 0, 1000)}) {
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << Text(st);
        EXPECT_EQ(Ticks(ft), 42u);
    }
    SYSTEMTIME leap = St(2000, 2, 29);
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));
}

TEST(FileTimesTest, LocalTimeIsNineHoursAheadInTheTestZone) {
    // The sandbox fixes TZ to JST-9.
    const uint64_t hour = 36000000000;
    FILETIME utc = Ft(116444736000000000), local, back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(Ticks(local), 116444736000000000 + 9 * hour);
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(Ticks(back), Ticks(utc));
    FILETIME early = Ft(hour);  // 01:00 local on 1601-01-01 lies before the first UTC moment
    EXPECT_FALSE(LocalFileTimeToFileTime(&early, &back));
}

TEST(FileTimesTest, DosDateAndTime) {
    // 2024-02-29 13:45:58
    const WORD date = ((2024 - 1980) << 9) | (2 << 5) | 29, time = (13 << 11) | (45 << 5) | 29;
    FILETIME ft;
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &ft));
    SYSTEMTIME st;
    FileTimeToSystemTime(&ft, &st);
    EXPECT_EQ(Text(st), "2024-02-29 13:45:58.000 w4");
    WORD d = 0, t = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &d, &t));
    EXPECT_EQ(d, date);
    EXPECT_EQ(t, time);

    FILETIME kept = Ft(5);
    EXPECT_FALSE(DosDateTimeToFileTime((44 << 9) | (2 << 5) | 30, 0, &kept));  // 2024-02-30
    EXPECT_FALSE(DosDateTimeToFileTime((44 << 9) | (0 << 5) | 1, 0, &kept));   // month 0
    EXPECT_FALSE(DosDateTimeToFileTime((44 << 9) | (1 << 5) | 1, 24 << 11, &kept));
    EXPECT_FALSE(DosDateTimeToFileTime((44 << 9) | (1 << 5) | 1, 30, &kept));  // 60 seconds
    EXPECT_EQ(Ticks(kept), 5u);
    d = t = 7;
    for (const SYSTEMTIME& outside : {St(1979, 12, 31, 23, 59, 59), St(2108, 1, 1)}) {
        SystemTimeToFileTime(&outside, &ft);
        EXPECT_FALSE(FileTimeToDosDateTime(&ft, &d, &t));
    }
    EXPECT_EQ(d, 7);
}

TEST(FileTimesTest, DateTimeConversions) {
    SYSTEMTIME st = St(2000, 3, 1, 3, 25, 45, 678);
    TDateTime dt = SystemTimeToDateTime(st);
    EXPECT_NEAR(dt, 36586 + (3 * 3600 + 25 * 60 + 45.678) / 86400, 1e-9);
    SYSTEMTIME back;
    DateTimeToSystemTime(dt, back);
    EXPECT_EQ(Text(back), "2000-03-01 03:25:45.678 w3");
    DateTimeToSystemTime(0, back);
    EXPECT_EQ(Text(back), "1899-12-30 00:00:00.000 w6");
    EXPECT_THROW(SystemTimeToDateTime(St(2000, 2, 30)), EConvertError);
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&now, &ft));
}

}  // namespace
