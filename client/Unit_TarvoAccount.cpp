#include "client/Unit_TarvoAccount.h"

#include "client/IniFiles.h"
#include "client/TrunkNames.h"
#include "common/Users_Func.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

TTarvoAccounts TarvoAccounts;

namespace {

int64_t SortKey(const TTarvoAccount& row) {
    return *AccountSortKey(row);
}

// floor((a + b) / 2) without overflow.
int64_t Mean(int64_t a, int64_t b) {
    return (a & b) + ((a ^ b) >> 1);
}

bool ReadText(const TIniFile& ini, const std::string& section, const std::string& key, std::string& text) {
    std::optional<std::string> decoded = win::Cp932ToUtf8(ini.ReadString(section, key, ""));
    if (decoded)
        text = std::move(*decoded);
    return decoded.has_value();
}

// False when the section's name, account or server name is not code page 932. DefaultDir serves nothing, so
// one that is no text costs its folder nothing: it is kept with its bytes escaped.
bool ReadAccount(const TIniFile& ini, const std::string& section, TTarvoAccount& row) {
    std::optional<std::string> name = win::Cp932ToUtf8(section);
    if (!name)
        return false;
    row.Name = std::move(*name);
    row.AccountType = ini.ReadInteger(section, "AccountType", 1);
    // The password is stored scrambled: bytes, not text, until unscrambled to 7-bit characters.
    UnscrambleText(ini.ReadString(section, "Password", ""), row.Password);
    row.OrderNum = ini.ReadInteger(section, "OrderNum", 0);
    row.LimitTruncCount = ini.ReadInteger(section, "LimitTruncCount", 0);
    row.DataTypeID = ini.ReadInteger(section, "DataTypeID", 0);
    if (!ReadText(ini, section, "DefaultDir", row.DefaultDir))
        row.DefaultDir = EscapedName(ini.ReadString(section, "DefaultDir", ""));
    return ReadText(ini, section, "Account", row.Account) && ReadText(ini, section, "ServerName", row.ServerName);
}

}  // namespace

std::optional<int64_t> AccountSortKey(const TTarvoAccount& row) {
    try {
        return StrToInt64(IntToStr(row.AccountType) + IntToStrZero(row.OrderNum, 4));
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

TAccountLoadReport LoadAccounts(const std::string& path) {
    TAccountLoadReport report;
    TIniFile ini(path);
    TStringList sections;
    ini.ReadSections(sections);
    TarvoAccounts.clear();
    for (const std::string& section : sections) {
        TTarvoAccount row;
        if (!ReadAccount(ini, section, row))
            report.UnreadableFolders.push_back(EscapedName(section));
        else if (!AccountSortKey(row))
            report.InvalidFolders.push_back(row.Name);
        else
            TarvoAccounts.push_back(std::move(row));
    }
    SortAccounts(TarvoAccounts, 0, static_cast<int>(TarvoAccounts.size()) - 1);
    return report;
}

void SortAccounts(TTarvoAccounts& table, int lo, int hi) {
    if (hi < lo)
        return;
    int i = lo;
    int j = hi;
    int64_t mid = Mean(SortKey(table[lo]), SortKey(table[hi]));
    do {
        while (SortKey(table[i]) < mid)
            ++i;
        while (SortKey(table[j]) > mid)
            --j;
        if (i <= j) {
            SwapAccounts(table, i, j);
            ++i;
            --j;
        }
    } while (i <= j);
    if (j > lo)
        SortAccounts(table, lo, j);
    if (i < hi)
        SortAccounts(table, i, hi);
}

void SwapAccounts(TTarvoAccounts& table, int i, int j) {
    std::swap(table[i], table[j]);
}
