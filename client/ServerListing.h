#pragma once
// The server file table: what one LIST of a server folder holds, parsed from Unix-style listing lines
// ("-rw-r--r-- 1 owner group SIZE Mon D HH:MM NAME" or "... Mon D YYYY NAME"). The listing's bytes are code
// page 932.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/DateTime.h"

struct TServerFileEntry {
    std::string FileName;
    TDateTime Date = 0;
    int64_t Size = 0;
};
using TServerFiles = std::vector<TServerFileEntry>;

struct TServerListing {
    TServerFiles Files;                   // in listing order
    std::vector<std::string> Unreadable;  // names that are not code page 932 text, shown escaped
};

// A first line "total N" is skipped; so are folders and lines that are not a file's (too few fields, a size
// or date that does not read). A name runs to the end of its line, blanks included; a link's target is cut
// off. A date with a time of day but no year is in the year of `now`, or the year before when it would lie
// more than a day after `now` (local time).
TServerListing ParseServerListing(std::string_view listing, TDateTime now);

// Whether the name is a trunk's container: it ends in ".ace" (exactly, lower case).
bool IsTrunkFileName(std::string_view name);
