#pragma once
// The account table lists the account file's folders in the order their buttons appear (AccountType first,
// then OrderNum); a folder button's Tag indexes it.

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
    std::string DefaultDir;       // kept only; bytes that are no code page 932 text are kept escaped
    int32_t LimitTruncCount = 0;  // sending stops once the folder holds this many ".ace" files
    int32_t DataTypeID = 0;
};
using TTarvoAccounts = std::vector<TTarvoAccount>;

// The account table of the program.
extern TTarvoAccounts TarvoAccounts;

// Sort key: AccountType's digits with OrderNum appended as four zero-padded digits, taken as one number;
// nullopt when that is not a 64-bit integer (a negative OrderNum, or too many digits).
std::optional<int64_t> AccountSortKey(const TTarvoAccount& row);

// The folders LoadAccounts left out of the table: those whose sort key is invalid, and those whose name,
// account or server name is not code page 932 (named with their odd bytes escaped).
struct TAccountLoadReport {
    std::vector<std::string> InvalidFolders;
    std::vector<std::string> UnreadableFolders;
};

// Replaces the account table by the sections of the INI file, sorted. A missing or empty file gives an empty
// table.
TAccountLoadReport LoadAccounts(const std::string& path);
// Quicksort; its exact steps decide how rows with equal keys, and so their buttons, are ordered. Every row's
// key must be valid.
void SortAccounts(TTarvoAccounts& table, int lo, int hi);
void SwapAccounts(TTarvoAccounts& table, int i, int j);
