#include "net/FtpSrvT.h"

namespace {

// The decimal number in Count characters from From (counted from 0); -1 when one is not a digit.
int Field(const std::string& Text, size_t From, size_t Count) {
    int value = 0;
    for (size_t i = From; i < From + Count; ++i) {
        if (Text[i] < '0' || Text[i] > '9')
            return -1;
        value = value * 10 + (Text[i] - '0');
    }
    return value;
}

}  // namespace

TDateTime MdtmToDateTime(const std::string& Stamp) {
    if (Stamp.size() < 14)
        return 0;
    int year = Field(Stamp, 0, 4), month = Field(Stamp, 4, 2), day = Field(Stamp, 6, 2);
    int hour = Field(Stamp, 8, 2), minute = Field(Stamp, 10, 2), second = Field(Stamp, 12, 2);
    int msec = Stamp.size() >= 18 ? Field(Stamp, 15, 3) : 0;
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || msec < 0)
        return 0;
    if (month == 0 || month > 12 || day == 0 || day > 31)
        return 0;
    TDateTime date, time;
    if (!TryEncodeDate(year, month, day, date))
        return -1;
    if (!TryEncodeTime(hour, minute, second, msec, time))
        return -1;
    return date + time;
}
