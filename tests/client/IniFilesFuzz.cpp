// Fuzz target: any bytes as a decrypted account file, through the INI reader and the account table the folder
// buttons are built from. A result that breaks what the window relies on stops the run.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "client/IniFiles.h"
#include "client/Unit_TarvoAccount.h"
#include "platform/rtl/SysUtils.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// The reader takes a file name: the input goes into a file that lives in memory only.
const std::string& InputFile(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("account.ini", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    Require(fd >= 0 && ftruncate(fd, 0) == 0);
    Require(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    return path;
}

}  // namespace

int FuzzIniFiles(const uint8_t* data, size_t size) {
    const std::string& path = InputFile(data, size);
    TIniFile ini(path);
    TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        for (int j = 0; j < i; ++j)
            Require(!SameText(sections[i], sections[j]));
        ini.ReadString(sections[i], sections[i], "");
        ini.ReadInteger(sections[i], "OrderNum", 0);
    }

    LoadAccounts(path);
    for (size_t i = 0; i < TarvoAccounts.size(); ++i) {
        Require(AccountSortKey(TarvoAccounts[i]).has_value());
        Require(i == 0 || *AccountSortKey(TarvoAccounts[i - 1]) <= *AccountSortKey(TarvoAccounts[i]));
    }
    return 0;
}
