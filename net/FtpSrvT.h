#pragma once
// Time stamps of the FTP MDTM command.

#include <string>

#include "platform/rtl/DateTime.h"

// The date-time of a stamp "yyyymmddhhnnss", optionally followed by a dot and three digits of milliseconds:
// 0 when the text is no such stamp (too short, a field that is not decimal digits, month or day out of
// range), -1 when its fields name no real date or time of day.
TDateTime MdtmToDateTime(const std::string& Stamp);
