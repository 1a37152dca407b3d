#pragma once
// Provisioning of a user's client settings, as an installation does it: the values of HKEY_CURRENT_USER
// "Software\Vostrand\Tarvo" in the machine root ($TARVO_MACHINE). Used by tests and the demo.

#include <cstdint>
#include <string>

#include "platform/rtl/SysUtils.h"

TARVO_DECLARE_EXCEPTION(EProvisionError, Exception);

struct TarvoSettings {
    std::string ServerName;  // the FTP server of the account file
    std::string Account;
    std::string Password;
    std::string AccountID;  // lower-cased, plus ".ace", it names the account file on the server
    int32_t MaxTruncSize = 0;
    bool DwDelFlag = false;
    bool DwCommentFlag = false;
    bool AutoFlag = false;
    int32_t AutoTime = 0;
    std::string LastTime = "0";
};

// Every character's code doubled, as the stored credentials are kept. Raises EProvisionError for a character
// outside 7-bit ASCII, which that form cannot hold.
std::string ScrambleText(const std::string& plain);

// Writes all the settings: Account, Password and ServerName as BinaryShortStrings of their scrambled text, the
// numbers and flags as REG_DWORD, AccountID and LastTime as REG_SZ. Raises EProvisionError, before writing
// anything, for an AccountID the client refuses; and when a credential cannot be stored (not 7-bit, longer than
// 100 characters) or a value cannot be written.
void ProvisionSettings(const TarvoSettings& settings);
