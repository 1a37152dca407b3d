#pragma once
// The client's settings, read once from HKEY_CURRENT_USER "Software\Vostrand\Tarvo" when the main window is made.
// They are provisioned from outside; the client only reads them, except that a LastTime that is no date is
// written back as "0".

#include <cstdint>
#include <string>

#include "platform/rtl/DateTime.h"

struct TAppSetData {
    int32_t MaxTruncSize = 0;  // bytes: a trunk archive of this size or more is not sent
    bool DwDelFlag = false;    // delete a trunk's server files after receiving it (when the folder allows)
    bool DwCommentFlag = false;
    bool AutoFlag = false;  // loaded, not used
    int32_t AutoTime = 0;   // minutes; loaded, not used
    std::string AccountID;  // lower case; names the account file on the server (AccountID + ".ace")
    std::string Account;    // the FTP log-in of the account file, in plain text
    std::string Password;
    std::string ServerName;
    TDateTime LastTime = 0;  // loaded, not used
};

extern TAppSetData AppSetData;

// Fills AppSetData; every value that is missing or unreadable takes its neutral value, nothing is reported.
// AccountID is the REG_SZ value "AccountID"; since it becomes a file name, one that is empty or holds "/", "\",
// "..", a control character or a character code page 932 cannot write is refused (left empty).
void LoadSettings();

// Whether the text can serve as an AccountID (the rule above).
bool IsValidAccountID(const std::string& id);
