// Fuzz target: any bytes as the reply to a LIST, through the parser whose table the trunk list and the trunk
// limit read. A result that breaks what those readers rely on stops the run.
#include <cmath>
#include <cstdlib>

#include "client/ServerListing.h"
#include "platform/rtl/SysUtils.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

bool IsPrintableAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c >= 0x7F)
            return false;
    return true;
}

}  // namespace

int FuzzServerListing(const uint8_t* data, size_t size) {
    // A time of day without a year takes its year from the clock: the ends of the calendar as well as today.
    static const TDateTime clocks[] = {EncodeDate(2024, 3, 10) + EncodeTime(12, 0, 0, 0), EncodeDate(1, 1, 1),
                                       EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999)};
    const std::string_view listing(reinterpret_cast<const char*>(data), size);
    for (TDateTime now : clocks) {
        TServerListing parsed = ParseServerListing(listing, now);
        for (const TServerFileEntry& file : parsed.Files) {
            Require(!file.FileName.empty() && IsUtf8(file.FileName));
            Require(file.Size >= 0 && std::isfinite(file.Date));
            IsTrunkFileName(file.FileName);
        }
        for (const std::string& name : parsed.Unreadable)
            Require(IsPrintableAscii(name));
    }
    return 0;
}
