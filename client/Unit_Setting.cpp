#include "client/Unit_Setting.h"

#include "common/Unit_Func_Regi.h"
#include "common/Users_Func.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

TAppSetData AppSetData;

namespace {

// The stored integer's low byte decides, so 256 reads as False.
bool ReadFlag(const std::string& name) {
    return (RegReadInteger(name, "") & 0xFF) != 0;
}

std::string ReadScrambled(const std::string& name) {
    std::string stored, plain;
    RegReadBinaryString(name, "", stored);
    UnscrambleText(stored, plain);
    return plain;
}

std::string ReadAccountID() {
    std::string id;
    try {
        RegReadString("AccountID", "", id);
    } catch (const Exception&) {
        return "";  // not a string
    }
    id = LowerCase(id);
    return IsValidAccountID(id) ? id : "";
}

TDateTime ReadLastTime() {
    std::string text;
    try {
        RegReadString("LastTime", "", text);
    } catch (const Exception&) {
        text.clear();  // not a string: repaired below like a missing one
    }
    TDateTime value;
    if (TryStrToDateTime(text, value))
        return value;
    RegWriteString("LastTime", "0", "");
    return 0;
}

}  // namespace

bool IsValidAccountID(const std::string& id) {
    if (id.empty() || id.find_first_of("/\\") != std::string::npos || id.find("..") != std::string::npos)
        return false;
    for (unsigned char c : id)
        if (c < 0x20 || c == 0x7F)
            return false;
    return win::IsCp932Encodable(id);
}

void LoadSettings() {
    AppSetData.MaxTruncSize = RegReadInteger("MaxTruncSize", "");
    AppSetData.DwDelFlag = ReadFlag("DwDelFlag");
    AppSetData.DwCommentFlag = ReadFlag("DwCommentFlag");
    AppSetData.AutoFlag = ReadFlag("AutoFlag");
    AppSetData.AutoTime = RegReadInteger("AutoTime", "");
    AppSetData.AccountID = ReadAccountID();
    AppSetData.Account = ReadScrambled("Account");
    AppSetData.Password = ReadScrambled("Password");
    AppSetData.ServerName = ReadScrambled("ServerName");
    AppSetData.LastTime = ReadLastTime();
}
