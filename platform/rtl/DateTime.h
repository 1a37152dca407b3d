#pragma once
// TDateTime as the class library keeps it: days since 1899-12-30 as a double, the fraction the time of day.

#include <cstdint>
#include <string>
#include <string_view>

using TDateTime = double;

constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;
constexpr TDateTime UnixDateDelta = 25569.0;  // 1970-01-01

bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time);
TDateTime EncodeDate(int year, int month, int day);                // raises EConvertError on an invalid date
TDateTime EncodeTime(int hour, int minute, int second, int msec);  // raises EConvertError on an invalid time
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

TDateTime Now();  // local time
TDateTime Date();
TDateTime UnixToDateTime(int64_t seconds);  // no time-zone change
int64_t DateTimeToUnix(TDateTime value);

// Format tokens: yyyy yy mm m dd d hh h nn n ss s zzz, "text" or 'text' literal; every other character as is.
std::string FormatDateTime(std::string_view format, TDateTime value);
// Accepts "yyyy/mm/dd", "yyyy-mm-dd", either followed by " hh:nn[:ss[.zzz]]", and a plain number of days.
bool TryStrToDateTime(std::string_view text, TDateTime& value);
