#pragma once
// The account table: one row per folder of the account file, sorted by AccountType and then OrderNum. A
// folder button's Tag is a row index into it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One folder of the account file.
struct TTarvoAccount {
    std::string Name;         // the section name, the caption of the folder's button
    int32_t AccountType = 1;  // 0: the user types the trunk password; other: built in; 2: never deleted after download
    std::string Account;      // FTP user name
    std::string Password;     // FTP password, plain (stored scrambled)
    std::string ServerName;   // FTP host
    int32_t OrderNum = 0;
    std::string DefaultDir;
    int32_t LimitTruncCount = 0;  // the most ".ace" files the folder may hold
    int32_t DataTypeID = 0;
};
using TTarvoAccounts = std::vector<TTarvoAccount>;

// The account table of the program.
extern TTarvoAccounts TarvoAccounts;

// The decimal text of AccountType followed by OrderNum zero-padded to four digits, read as a number; nullopt
// when that text is no 64-bit integer (a negative OrderNum, or digits beyond the range).
std::optional<int64_t> AccountSortKey(const TTarvoAccount& row);

// The folders LoadAccounts left out of the table: those whose sort key is invalid, and those whose name or
// texts are not code page 932 (named with their odd bytes escaped).
struct TAccountLoadReport {
    std::vector<std::string> InvalidFolders;
    std::vector<std::string> UnreadableFolders;
};

// Replaces the account table by the sections of the INI file, sorted. A missing or empty file gives an empty
// table.
TAccountLoadReport LoadAccounts(const std::string& path);
// The quicksort that fixes where rows with equal keys end up; every row's key must be valid.
void SortAccounts(TTarvoAccounts& table, int lo, int hi);
void SwapAccounts(TTarvoAccounts& table, int i, int j);
