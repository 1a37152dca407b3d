#include "tools/provision/Provision.h"

#include "client/Unit_Setting.h"
#include "common/Unit_Func_Regi.h"
#include "platform/win/WinReg.h"

namespace {

constexpr size_t MaxCredentialLength = 100;  // a BinaryShortString holds no more

void Check(bool written, const std::string& name) {
    if (!written)
        throw EProvisionError("Cannot write the setting " + name + " into the registry");
}

void WriteCredential(const std::string& name, const std::string& plain) {
    if (plain.size() > MaxCredentialLength)
        throw EProvisionError(name + " is longer than " + std::to_string(MaxCredentialLength) + " characters");
    Check(RegWriteBinaryString(name, ScrambleText(plain), ""), name);
}

}  // namespace

std::string ScrambleText(const std::string& plain) {
    std::string scrambled(plain.size(), '\0');
    for (size_t i = 0; i < plain.size(); ++i) {
        const auto c = static_cast<unsigned char>(plain[i]);
        if (c > 127)
            throw EProvisionError("Only 7-bit characters can be stored as a scrambled setting");
        scrambled[i] = static_cast<char>(c * 2);
    }
    return scrambled;
}

void ProvisionSettings(const TarvoSettings& s) {
    // The client would refuse it and ask the server for no account file at all.
    if (!IsValidAccountID(LowerCase(s.AccountID)))
        throw EProvisionError("The account identifier \"" + s.AccountID + "\" cannot name an account file");
    // A hive the store refuses to rewrite: say where it is damaged, so it can be mended by hand.
    if (std::string problem = win::RegHiveProblem(win::HKEY_CURRENT_USER); !problem.empty())
        throw EProvisionError(problem);
    WriteCredential("ServerName", s.ServerName);
    WriteCredential("Account", s.Account);
    WriteCredential("Password", s.Password);
    Check(RegWriteString("AccountID", s.AccountID, ""), "AccountID");
    Check(RegWriteInteger("MaxTruncSize", s.MaxTruncSize, ""), "MaxTruncSize");
    Check(RegWriteInteger("DwDelFlag", s.DwDelFlag ? 1 : 0, ""), "DwDelFlag");
    Check(RegWriteInteger("DwCommentFlag", s.DwCommentFlag ? 1 : 0, ""), "DwCommentFlag");
    Check(RegWriteInteger("AutoFlag", s.AutoFlag ? 1 : 0, ""), "AutoFlag");
    Check(RegWriteInteger("AutoTime", s.AutoTime, ""), "AutoTime");
    Check(RegWriteString("LastTime", s.LastTime, ""), "LastTime");
}
