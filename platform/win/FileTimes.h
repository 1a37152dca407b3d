#pragma once
// Time in the forms kernel32 and the class library use: FILETIME (100 ns units since 1601-01-01, UTC unless
// it is called local), SYSTEMTIME (calendar fields), DOS date and time (local, 1980..2107, two-second steps)
// and TDateTime. A conversion that cannot be made returns FALSE and leaves its output untouched, never a
// wrapped or made-up value.

#include <ctime>

#include "platform/rtl/DateTime.h"
#include "platform/win/WinTypes.h"

namespace win {

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);  // FALSE past 30827
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);  // FALSE for a field out of range
// With the local time zone's offset at that moment.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime);
// No time zone change: a DOS date and time and its FILETIME are both local.
BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, FILETIME* fileTime);
BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate, WORD* fatTime);
void GetLocalTime(SYSTEMTIME* systemTime);
void GetSystemTime(SYSTEMTIME* systemTime);
void GetSystemTimeAsFileTime(FILETIME* fileTime);

// Between Unix seconds (UTC) and FILETIME; times before 1601 become 0.
FILETIME UnixTimeToFileTime(time_t seconds);
time_t FileTimeToUnixTime(const FILETIME& fileTime);

}  // namespace win

// The class library's conversions; SystemTimeToDateTime raises EConvertError for a date it cannot encode.
TDateTime SystemTimeToDateTime(const win::SYSTEMTIME& systemTime);
void DateTimeToSystemTime(TDateTime dateTime, win::SYSTEMTIME& systemTime);
