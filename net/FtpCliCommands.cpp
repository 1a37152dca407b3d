// TCustomFtpCli: the single-command requests and the results kept from their replies.
#include "net/FtpCli.h"
#include "net/FtpSrvT.h"

namespace {

size_t SkipBlanks(const std::string& Text, size_t Pos) {
    while (Pos < Text.size() && (Text[Pos] == ' ' || Text[Pos] == '\t'))
        ++Pos;
    return Pos;
}

// Where the reply code of a line ends.
size_t AfterCode(const std::string& Line) {
    size_t pos = SkipBlanks(Line, 0);
    while (pos < Line.size() && Line[pos] >= '0' && Line[pos] <= '9')
        ++pos;
    return pos;
}

// The next space-delimited word from Pos on, leading blanks skipped; Pos ends on the space after it (or at the end).
std::string Word(const std::string& Text, size_t& Pos) {
    Pos = SkipBlanks(Text, Pos);
    size_t end = Text.find(' ', Pos);
    if (end == std::string::npos)
        end = Text.size();
    std::string word = Text.substr(Pos, end - Pos);
    Pos = end;
    return word;
}

// A double-quoted string at the first non-blank character ("" inside stands for one quote); empty, with Pos
// unchanged, when there is none.
std::string Quoted(const std::string& Text, size_t& Pos) {
    size_t p = SkipBlanks(Text, Pos);
    if (p >= Text.size() || Text[p] != '"')
        return "";
    std::string value;
    for (++p; p < Text.size(); ++p) {
        if (Text[p] != '"') {
            value += Text[p];
        } else if (p + 1 < Text.size() && Text[p + 1] == '"') {
            value += '"';
            ++p;
        } else {
            ++p;
            break;
        }
    }
    Pos = p;
    return value;
}

// The decimal number at Pos, after blanks; 0 when there is none.
int64_t Number(const std::string& Text, size_t Pos) {
    Pos = SkipBlanks(Text, Pos);
    int64_t value = 0;
    for (; Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9' && value < INT64_MAX / 10 - 9; ++Pos)
        value = value * 10 + (Text[Pos] - '0');
    return value;
}

std::string StampOf(TDateTime Time) {
    return FormatDateTime("yyyymmddhhnnss", Time);
}

}  // namespace

void TCustomFtpCli::KeepReplyResult() {
    size_t pos = AfterCode(FLastReplyLine);
    switch (FCurrentStep) {
        case ftpStepSize:
            FSizeResult = Number(FLastReplyLine, pos);
            break;
        case ftpStepMdtm:
            RemoteFileTime = MdtmToDateTime(Word(FLastReplyLine, pos));
            break;
        case ftpStepCwd:
        case ftpStepMkd:
        case ftpStepPwd:
        case ftpStepCdup:
            FDirResult = Quoted(FLastReplyLine, pos);
            break;
        case ftpStepMd5: {
            FDirResult.clear();
            FMd5Result.clear();
            if (FReplyCode != 251)
                break;
            size_t start = pos;
            FDirResult = Quoted(FLastReplyLine, pos);
            if (pos == start)
                FDirResult = Word(FLastReplyLine, pos);
            FMd5Result = Word(FLastReplyLine, pos);
            break;
        }
        default:
            break;
    }
}

void TCustomFtpCli::CmdUser() {
    if (UserName.empty())
        return HandleError("UserName empty");
    std::string user = UserName;
    if (FConnectionType == ftpProxy) {
        user += "@" + HostName;
        if (!SameText(Port, "ftp") && !SameText(Port, "21"))
            user += ":" + Port;
    }
    ExecCommand(ftpRqUser, ftpStepUser, "USER " + user, {331, 230});
}

void TCustomFtpCli::CmdPass() {
    if (PassWord.empty())
        return HandleError("Password empty");
    ExecCommand(ftpRqPass, ftpStepPass, "PASS " + PassWord, {230, 332});
}

void TCustomFtpCli::CmdAcct() {
    if (Account.empty())
        return HandleError("Account empty!");
    ExecCommand(ftpRqAcct, ftpStepAcct, "ACCT " + Account, {230, 202});
}

void TCustomFtpCli::CmdCwd() {
    if (HostDirName.empty())
        return HandleError("HostDirName empty");
    ExecCommand(ftpRqCwd, ftpStepCwd, "CWD " + HostDirName, {200, 250, 257});
}

void TCustomFtpCli::CmdCdup() {
    ExecCommand(ftpRqCdup, ftpStepCdup, "CDUP", {250, 257});
}

void TCustomFtpCli::CmdPwd() {
    ExecCommand(ftpRqPwd, ftpStepPwd, "PWD", {250, 257});
}

void TCustomFtpCli::CmdType() {
    ExecCommand(ftpRqType, ftpStepType, std::string("TYPE ") + FTypeChar, {200});
}

void TCustomFtpCli::CmdTypeBinary() {
    SetBinary(true);
    CmdType();
}

void TCustomFtpCli::CmdTypeAscii() {
    SetBinary(false);
    CmdType();
}

void TCustomFtpCli::CmdSyst() {
    ExecCommand(ftpRqSyst, ftpStepSyst, "SYST", {215});
}

void TCustomFtpCli::CmdSize() {
    FSizeResult = 0;
    ExecCommand(ftpRqSize, ftpStepSize, "SIZE " + HostFileName, {213});
}

void TCustomFtpCli::CmdMkd() {
    ExecCommand(ftpRqMkd, ftpStepMkd, "MKD " + HostFileName, {200, 250, 257});
}

void TCustomFtpCli::CmdRmd() {
    ExecCommand(ftpRqRmd, ftpStepRmd, "RMD " + HostFileName, {200, 250, 257});
}

void TCustomFtpCli::CmdDele() {
    ExecCommand(ftpRqDele, ftpStepDele, "DELE " + HostFileName, {200, 250, 257});
}

void TCustomFtpCli::CmdRnfr() {
    ExecCommand(ftpRqRnfr, ftpStepRnfr, "RNFR " + HostFileName, {350});
}

void TCustomFtpCli::CmdRnto() {
    ExecCommand(ftpRqRnto, ftpStepRnto, "RNTO " + FLocalFileName, {200, 250, 257});
}

void TCustomFtpCli::CmdRaw() {
    ExecCommand(ftpRqQuote, ftpStepRaw, FLocalFileName, {});
}

void TCustomFtpCli::CmdAbor() {
    ExecCommand(ftpRqAbor, ftpStepAbor, "ABOR", {});
}

void TCustomFtpCli::CmdQuit() {
    ReleaseLocalStream();
    ExecCommand(ftpRqQuit, ftpStepQuit, "QUIT", {221}, &TCustomFtpCli::CloseControl);
}

void TCustomFtpCli::CmdFeat() {
    ExecCommand(ftpRqFeat, ftpStepFeat, "FEAT", {211});
}

void TCustomFtpCli::CmdMlst() {
    FMlstReply.clear();
    ExecCommand(ftpRqMlst, ftpStepMlst, "MLST " + HostFileName, {250});
}

void TCustomFtpCli::CmdMdtm() {
    ExecCommand(ftpRqMdtm, ftpStepMdtm, "MDTM " + HostFileName, {213});
}

void TCustomFtpCli::CmdMdtmSet() {
    if (RemoteFileTime < 10)
        return HandleError("Modification date empty");
    ExecCommand(ftpRqMdtmSet, ftpStepMdtmSet, "MDTM " + StampOf(RemoteFileTime) + "+0 " + HostFileName, {213, 253});
}

void TCustomFtpCli::CmdMfmt() {
    if (RemoteFileTime < 10)
        return HandleError("Modification date empty");
    ExecCommand(ftpRqMfmt, ftpStepMfmt, "MFMT " + StampOf(RemoteFileTime) + " " + HostFileName, {213});
}

void TCustomFtpCli::CmdMd5() {
    ExecCommand(ftpRqMd5, ftpStepMd5, "MD5 " + HostFileName, {251});
}

void TCustomFtpCli::CmdMode() {
    ExecCommand(ftpRqMode, ftpStepMode, "MODE Z", {200});
}

void TCustomFtpCli::CmdOpts() {
    ExecCommand(ftpRqOpts, ftpStepOpts, std::string("OPTS ") + ModeZOptions, {200});
}

void TCustomFtpCli::CmdAuth() {
    throw FtpException("AUTH needs the TLS edition of the FTP component");
}

void TCustomFtpCli::CmdProt() {
    throw FtpException("PROT needs the TLS edition of the FTP component");
}

void TCustomFtpCli::CmdPbsz() {
    throw FtpException("PBSZ needs the TLS edition of the FTP component");
}

void TCustomFtpCli::CmdCcc() {
    throw FtpException("CCC needs the TLS edition of the FTP component");
}

void TCustomFtpCli::CheckSslSupport(bool WantSsl) {
    FTlsKind = 0;
    if (WantSsl)
        throw FtpException("SSL needs the TLS edition of the FTP component");
}
