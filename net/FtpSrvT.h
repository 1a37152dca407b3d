#pragma once
// Time stamps of the FTP MDTM command.

#include <string>

#include "platform/rtl/DateTime.h"

// Reads "yyyymmddhhnnss" or "yyyymmddhhnnss.zzz". 0 when the text has not that shape (too short, a field
// that is not decimal digits, month or day out of range), -1 when the fields make no real date or time.
TDateTime MdtmToDateTime(const std::string& Stamp);
