#include "platform/win/FileTimes.h"

#include <cmath>
#include <limits>

namespace win {

namespace {

constexpr int64_t TicksPerSecond = 10000000;
constexpr int64_t TicksPerDay = 86400 * TicksPerSecond;
constexpr int64_t UnixEpochTicks = 116444736000000000;  // 1970-01-01 as a FILETIME
constexpr int64_t DaysFrom1601To1970 = 134774;

int64_t Ticks(const FILETIME& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FromTicks(int64_t ticks) {
    uint64_t v = static_cast<uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFF), static_cast<DWORD>(v >> 32)};
}

// A FILETIME the calendar functions accept: its top bit clear.
bool InRange(const FILETIME* ft) {
    return ft && ft->dwHighDateTime <= 0x7FFFFFFF;
}

int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

int64_t LocalOffsetSeconds(int64_t utcSeconds) {
    time_t t = static_cast<time_t>(utcSeconds);
    std::tm tm;
    return localtime_r(&t, &tm) ? tm.tm_gmtoff : 0;
}

bool ShiftTicks(const FILETIME* in, FILETIME* out, bool toLocal) {
    if (!InRange(in) || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    int64_t ticks = Ticks(*in);
    int64_t seconds = (ticks - UnixEpochTicks) / TicksPerSecond;
    int64_t offset = LocalOffsetSeconds(seconds);
    if (!toLocal)
        offset = LocalOffsetSeconds(seconds - offset);
    int64_t shifted;
    if (__builtin_add_overflow(ticks, (toLocal ? offset : -offset) * TicksPerSecond, &shifted) || shifted < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *out = FromTicks(shifted);
    return true;
}

void FillSystemTime(int64_t ticks, SYSTEMTIME& st) {
    int64_t days = ticks / TicksPerDay;
    int64_t rest = ticks % TicksPerDay;
    int64_t year;
    int month, day;
    CivilFromDays(days - DaysFrom1601To1970, year, month, day);
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    st.wHour = static_cast<WORD>(rest / (3600 * TicksPerSecond));
    st.wMinute = static_cast<WORD>(rest / (60 * TicksPerSecond) % 60);
    st.wSecond = static_cast<WORD>(rest / TicksPerSecond % 60);
    st.wMilliseconds = static_cast<WORD>(rest / 10000 % 1000);
}

}  // namespace

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (!InRange(fileTime) || !systemTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FillSystemTime(Ticks(*fileTime), *systemTime);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* fileTime) {
    if (!st || !fileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
        st->wDay < 1 || st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + DaysFrom1601To1970;
    int64_t ticks = days * TicksPerDay + ((st->wHour * 60 + st->wMinute) * 60 + st->wSecond) * TicksPerSecond +
                    st->wMilliseconds * int64_t{10000};
    *fileTime = FromTicks(ticks);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
    return ShiftTicks(fileTime, localFileTime, true) ? TRUE : FALSE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
    return ShiftTicks(localFileTime, fileTime, false) ? TRUE : FALSE;
}

BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, FILETIME* fileTime) {
    SYSTEMTIME st;
    st.wYear = static_cast<WORD>(1980 + (fatDate >> 9));
    st.wMonth = (fatDate >> 5) & 0x0F;
    st.wDay = fatDate & 0x1F;
    st.wHour = fatTime >> 11;
    st.wMinute = (fatTime >> 5) & 0x3F;
    st.wSecond = static_cast<WORD>((fatTime & 0x1F) * 2);
    return SystemTimeToFileTime(&st, fileTime);
}

BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate, WORD* fatTime) {
    SYSTEMTIME st;
    if (!fatDate || !fatTime || !FileTimeToSystemTime(fileTime, &st) || st.wYear < 1980 || st.wYear > 2107) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fatDate = static_cast<WORD>(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
    *fatTime = static_cast<WORD>((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
    return TRUE;
}

void GetSystemTimeAsFileTime(FILETIME* fileTime) {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    *fileTime = FromTicks(UnixEpochTicks + static_cast<int64_t>(ts.tv_sec) * TicksPerSecond + ts.tv_nsec / 100);
}

void GetSystemTime(SYSTEMTIME* systemTime) {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    FileTimeToSystemTime(&ft, systemTime);
}

void GetLocalTime(SYSTEMTIME* systemTime) {
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, systemTime);
}

FILETIME UnixTimeToFileTime(time_t seconds) {
    constexpr int64_t limit = (std::numeric_limits<int64_t>::max() - UnixEpochTicks) / TicksPerSecond;
    int64_t s = static_cast<int64_t>(seconds);
    if (s < -UnixEpochTicks / TicksPerSecond)
        return FILETIME{};
    return FromTicks(UnixEpochTicks + std::min(s, limit) * TicksPerSecond);
}

time_t FileTimeToUnixTime(const FILETIME& fileTime) {
    uint64_t ticks = static_cast<uint64_t>(Ticks(fileTime));
    return static_cast<time_t>((static_cast<int64_t>(ticks / TicksPerSecond)) - UnixEpochTicks / TicksPerSecond);
}

}  // namespace win

TDateTime SystemTimeToDateTime(const win::SYSTEMTIME& st) {
    TDateTime date = EncodeDate(st.wYear, st.wMonth, st.wDay);
    TDateTime time = EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    // Before 1899-12-30 the whole part counts back while the fraction still counts forward.
    return date >= 0 ? date + time : date - time;
}

void DateTimeToSystemTime(TDateTime dateTime, win::SYSTEMTIME& st) {
    int year, month, day, hour, minute, second, msec;
    DecodeDate(dateTime, year, month, day);
    DecodeTime(dateTime, hour, minute, second, msec);
    int64_t days = static_cast<int64_t>(std::floor(dateTime));
    st.wYear = static_cast<win::WORD>(year);
    st.wMonth = static_cast<win::WORD>(month);
    st.wDay = static_cast<win::WORD>(day);
    st.wDayOfWeek = static_cast<win::WORD>(((days + 6) % 7 + 7) % 7);  // 1899-12-30 was a Saturday
    st.wHour = static_cast<win::WORD>(hour);
    st.wMinute = static_cast<win::WORD>(minute);
    st.wSecond = static_cast<win::WORD>(second);
    st.wMilliseconds = static_cast<win::WORD>(msec);
}
