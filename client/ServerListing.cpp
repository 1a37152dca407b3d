#include "client/ServerListing.h"

#include <array>
#include <charconv>
#include <optional>

#include "client/TrunkNames.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

namespace {

constexpr std::array<std::string_view, 12> MonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsFieldBreak(char c) {
    return c >= 0x01 && c <= 0x20;
}

// The first `count` fields of the line; the rest of the line starts at `rest`.
std::vector<std::string_view> SplitFields(std::string_view line, size_t count, size_t& rest) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (fields.size() < count) {
        while (i < line.size() && IsFieldBreak(line[i]))
            ++i;
        if (i == line.size())
            break;
        size_t start = i;
        while (i < line.size() && !IsFieldBreak(line[i]))
            ++i;
        fields.push_back(line.substr(start, i - start));
    }
    while (i < line.size() && IsFieldBreak(line[i]))
        ++i;
    rest = i;
    return fields;
}

template <typename T>
bool ReadNumber(std::string_view text, T& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

int MonthOf(std::string_view name) {
    for (size_t m = 0; m < MonthNames.size(); ++m)
        if (SameText(name, MonthNames[m]))
            return static_cast<int>(m) + 1;
    return 0;
}

std::optional<TDateTime> ListingDate(std::string_view month, std::string_view day, std::string_view timeOrYear,
                                     TDateTime now) {
    int m = MonthOf(month);
    int d = 0;
    if (m == 0 || !ReadNumber(day, d))
        return std::nullopt;
    TDateTime date;
    size_t colon = timeOrYear.find(':');
    if (colon == std::string_view::npos) {
        int year = 0;
        if (timeOrYear.size() != 4 || !ReadNumber(timeOrYear, year) || !TryEncodeDate(year, m, d, date))
            return std::nullopt;
        return date;
    }
    int hour = 0, minute = 0;
    TDateTime time;
    if (!ReadNumber(timeOrYear.substr(0, colon), hour) || !ReadNumber(timeOrYear.substr(colon + 1), minute) ||
        !TryEncodeTime(hour, minute, 0, 0, time))
        return std::nullopt;
    int year, nowMonth, nowDay;
    DecodeDate(now, year, nowMonth, nowDay);
    if (TryEncodeDate(year, m, d, date) && date + time <= now + 1)
        return date + time;
    if (TryEncodeDate(year - 1, m, d, date))
        return date + time;
    return std::nullopt;
}

std::string_view LinkName(std::string_view name) {
    size_t arrow = name.find(" -> ");
    return arrow == std::string_view::npos ? name : name.substr(0, arrow);
}

void ParseLine(std::string_view line, TDateTime now, TServerListing& listing) {
    size_t rest = 0;
    std::vector<std::string_view> f = SplitFields(line, 8, rest);
    if (f.size() < 8 || rest == line.size())
        return;
    char kind = f[0][0];
    if (kind == 'd')
        return;
    TServerFileEntry entry;
    std::optional<TDateTime> date = ListingDate(f[5], f[6], f[7], now);
    if (!ReadNumber(f[4], entry.Size) || entry.Size < 0 || !date)
        return;
    entry.Date = *date;
    std::string_view name = line.substr(rest);
    while (!name.empty() && IsFieldBreak(name.back()))
        name.remove_suffix(1);
    if (kind == 'l')
        name = LinkName(name);
    std::optional<std::string> decoded = win::Cp932ToUtf8(name);
    if (!decoded) {
        listing.Unreadable.push_back(EscapedName(name));
        return;
    }
    entry.FileName = std::move(*decoded);
    listing.Files.push_back(std::move(entry));
}

}  // namespace

TServerListing ParseServerListing(std::string_view listing, TDateTime now) {
    TServerListing result;
    bool first = true;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = listing.size();
        std::string_view line = listing.substr(start, end - start);
        start = end + (listing.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty())
            continue;
        if (first && line.substr(0, 5) == "total") {
            first = false;
            continue;
        }
        first = false;
        ParseLine(line, now, result);
    }
    return result;
}

bool IsTrunkFileName(std::string_view name) {
    return name.size() >= 4 && name.substr(name.size() - 4) == ".ace";
}
