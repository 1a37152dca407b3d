#include "platform/rtl/DateTime.h"

#include <sys/time.h>

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/rtl/SysUtils.h"

namespace {

// Days from 0001-01-01 to 1899-12-30.
constexpr int64_t DateDelta = 693594;

int64_t DaysBeforeYear(int year) {
    int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

std::string Two(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

}  // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    int64_t days = DaysBeforeYear(year) + day;
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    date = static_cast<double>(days - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 || msec < 0 || msec >= 1000)
        return false;
    time = ((hour * 3600000.0) + minute * 60000.0 + second * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d))
        throw EConvertError("Invalid argument to date encode");
    return d;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime t;
    if (!TryEncodeTime(hour, minute, second, msec, t))
        throw EConvertError("Invalid argument to time encode");
    return t;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    int64_t days = static_cast<int64_t>(std::floor(date)) + DateDelta - 1;  // days since 0001-01-01, 0-based
    if (days < 0 || days > 3652058) {
        year = month = day = 0;
        return;
    }
    int y = static_cast<int>(days / 366) + 1;
    while (DaysBeforeYear(y + 1) <= days)
        ++y;
    int64_t rest = days - DaysBeforeYear(y);
    int m = 1;
    while (rest >= DaysInMonth(y, m))
        rest -= DaysInMonth(y, m++);
    year = y;
    month = m;
    day = static_cast<int>(rest) + 1;
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec) {
    double frac = std::fabs(time - std::trunc(time));
    int64_t ms = static_cast<int64_t>(std::llround(frac * MSecsPerDay));
    if (ms >= MSecsPerDay)
        ms = MSecsPerDay - 1;
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

TDateTime UnixToDateTime(int64_t seconds) {
    return UnixDateDelta + static_cast<double>(seconds) / 86400.0;
}

int64_t DateTimeToUnix(TDateTime value) {
    return std::llround((value - UnixDateDelta) * 86400.0);
}

TDateTime Now() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    std::tm local;
    time_t secs = tv.tv_sec;
    localtime_r(&secs, &local);
    TDateTime d = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return d + EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), static_cast<int>(tv.tv_usec / 1000));
}

TDateTime Date() {
    return std::floor(Now());
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    std::string out;
    auto run = [&](size_t i, char c) {
        size_t n = 0;
        while (i + n < format.size() && (format[i + n] | 0x20) == c)
            ++n;
        return n;
    };
    for (size_t i = 0; i < format.size();) {
        char c = static_cast<char>(format[i] | 0x20);
        if (format[i] == '"' || format[i] == '\'') {
            size_t end = format.find(format[i], i + 1);
            if (end == std::string_view::npos)
                end = format.size();
            out += format.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        size_t n = (c >= 'a' && c <= 'z') ? run(i, c) : 0;
        switch (n ? c : 0) {
            case 'y':
                if (n >= 3) {
                    char b[16];
                    std::snprintf(b, sizeof b, "%04d", year);
                    out += b;
                } else {
                    out += Two(year % 100);
                }
                break;
            case 'm':
                out += n >= 2 ? Two(month) : std::to_string(month);
                break;
            case 'd':
                out += n >= 2 ? Two(day) : std::to_string(day);
                break;
            case 'h':
                out += n >= 2 ? Two(hour) : std::to_string(hour);
                break;
            case 'n':
                out += n >= 2 ? Two(minute) : std::to_string(minute);
                break;
            case 's':
                out += n >= 2 ? Two(second) : std::to_string(second);
                break;
            case 'z': {
                char b[16];
                std::snprintf(b, sizeof b, n >= 3 ? "%03d" : "%d", msec);
                out += b;
                break;
            }
            default:
                out += format[i];
                n = 1;
        }
        i += n;
    }
    return out;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value) {
    std::string t = Trim(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    double number = std::strtod(t.c_str(), &end);
    if (end && *end == '\0' && t.find_first_of("/-", 1) == std::string::npos) {
        if (!std::isfinite(number))
            return false;
        value = number;
        return true;
    }
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char sep1 = 0, sep2 = 0;
    int consumed = 0;
    if (std::sscanf(t.c_str(), "%4d%c%2d%c%2d%n", &y, &sep1, &mo, &sep2, &d, &consumed) != 5 || sep1 != sep2 ||
        (sep1 != '/' && sep1 != '-'))
        return false;
    std::string rest = t.substr(consumed);
    if (!rest.empty()) {
        int used = 0;
        int fields = std::sscanf(rest.c_str(), " %2d:%2d%n", &h, &mi, &used);
        if (fields != 2)
            return false;
        std::string tail = rest.substr(used);
        if (!tail.empty()) {
            int used2 = 0;
            if (std::sscanf(tail.c_str(), ":%2d%n", &s, &used2) != 1)
                return false;
            tail = tail.substr(used2);
            if (!tail.empty()) {
                int used3 = 0;
                if (std::sscanf(tail.c_str(), ".%3d%n", &ms, &used3) != 1 || tail.size() != static_cast<size_t>(used3))
                    return false;
            }
        }
    }
    TDateTime date, time;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s, ms, time))
        return false;
    value = date + time;
    return true;
}
