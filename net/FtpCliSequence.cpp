// TCustomFtpCli: multi-step requests run by the sequencer, and the set-up steps of a transfer: REST, and PORT
// or PASV.
#include <sys/stat.h>

#include <utility>

#include "net/FtpCli.h"

namespace {

constexpr uint64_t Bit(int Step) {
    return uint64_t{1} << Step;
}

// The size of a plain local file; -1 when there is none.
int64_t LocalFileSize(const std::string& Name) {
    struct stat st;
    if (Name.empty() || ::stat(ExpandFileName(Name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

}  // namespace

// The order in which pending steps run, whatever order a request names them in.
struct TCustomFtpCli::StepEntry {
    TFtpStep Step;
    Handler Run;
};

const TCustomFtpCli::StepEntry TCustomFtpCli::StepOrder[] = {
    {ftpStepOpen, &TCustomFtpCli::CmdOpen},   {ftpStepAuth, &TCustomFtpCli::CmdAuth},
    {ftpStepUser, &TCustomFtpCli::CmdUser},   {ftpStepPass, &TCustomFtpCli::CmdPass},
    {ftpStepAcct, &TCustomFtpCli::CmdAcct},   {ftpStepCwd, &TCustomFtpCli::CmdCwd},
    {ftpStepCdup, &TCustomFtpCli::CmdCdup},   {ftpStepType, &TCustomFtpCli::CmdType},
    {ftpStepPort, &TCustomFtpCli::CmdPort},   {ftpStepRest, &TCustomFtpCli::CmdRest},
    {ftpStepRetr, &TCustomFtpCli::BeginRetr}, {ftpStepStor, &TCustomFtpCli::BeginStor},
    {ftpStepAppe, &TCustomFtpCli::BeginAppe}, {ftpStepList, &TCustomFtpCli::BeginList},
    {ftpStepNlst, &TCustomFtpCli::BeginNlst}, {ftpStepSyst, &TCustomFtpCli::CmdSyst},
    {ftpStepMkd, &TCustomFtpCli::CmdMkd},     {ftpStepRmd, &TCustomFtpCli::CmdRmd},
    {ftpStepRnfr, &TCustomFtpCli::CmdRnfr},   {ftpStepRnto, &TCustomFtpCli::CmdRnto},
    {ftpStepSize, &TCustomFtpCli::CmdSize},   {ftpStepDele, &TCustomFtpCli::CmdDele},
    {ftpStepPwd, &TCustomFtpCli::CmdPwd},     {ftpStepAbor, &TCustomFtpCli::CmdAbor},
    {ftpStepRaw, &TCustomFtpCli::CmdRaw},     {ftpStepQuit, &TCustomFtpCli::CmdQuit},
    {ftpStepMlsd, &TCustomFtpCli::BeginMlsd}, {ftpStepMode, &TCustomFtpCli::CmdMode},
    {ftpStepOpts, &TCustomFtpCli::CmdOpts},
};

void TCustomFtpCli::StartSequence(TFtpRequest Request, std::initializer_list<TFtpStep> Steps) {
    uint64_t steps = 0;
    for (TFtpStep s : Steps)
        steps |= Bit(s);
    if (FConnected && (steps & Bit(ftpStepOpen)))
        return RefuseCall("FTP component already connected");
    if (!CheckReady())
        return;
    FSavedReplyLine = FLastReplyLine;
    FSavedReplyCode = -1;
    BeginRequest(Request);
    FRequestError = 0;
    FPendingSteps = steps;
    FCurrentStep = ftpStepNone;
    FSequenceError = 0;
    FInSequence = true;
    FLastReplyLine.clear();
    FErrorMessage.clear();
    FContinueRequest = nullptr;
    HighLevelAsync();
}

void TCustomFtpCli::HighLevelAsync() {
    if (CheckLogOptions(loProtSpecDump))
        DebugLog(loProtSpecDump, "! HighLevelAsync " + IntToStr(FRequestError));
    if (FState == ftpAbort) {
        if (CheckLogOptions(loProtSpecInfo))
            DebugLog(loProtSpecInfo, "! Abort detected");
        FPendingSteps = 0;
        FSequenceError = 426;
        FErrorMessage = "426 Operation aborted.";
    }
    FContinueRequest = &TCustomFtpCli::HighLevelAsync;
    if (FRequestError != 0) {
        FSequenceError = FRequestError;
        FPendingSteps = Pending(ftpStepQuit) && FCurrentStep != ftpStepQuit ? Bit(ftpStepQuit) : 0;
    }
    if (RunNextStep())
        return;
    if (CheckLogOptions(loProtSpecDump))
        DebugLog(loProtSpecDump, "! HighLevelAsync done");
    FPendingSteps = 0;
    FContinueRequest = nullptr;
    FDoneSignalled = false;
    RequestDone(FSequenceError);
}

bool TCustomFtpCli::StepWanted(TFtpStep Step) {
    TFtpStep before = static_cast<TFtpStep>(FCurrentStep);
    switch (Step) {
        case ftpStepPass:
            return before != ftpStepUser || FReplyCode == 331;
        case ftpStepAcct:
            // Only a server that asked for an account after the password gets one.
            return before == ftpStepPass && FReplyCode == 332;
        case ftpStepCwd:
            return !HostDirName.empty();
        case ftpStepRetr:
            if (before != ftpStepRest || FReplyCode != 350 || FResumePos < 0)
                FResumePos = 0;
            return true;
        case ftpStepQuit:
            FSavedReplyLine = FLastReplyLine;  // the request reports the reply before QUIT
            FSavedReplyCode = FReplyCode;
            return true;
        default:
            return true;
    }
}

bool TCustomFtpCli::RunNextStep() {
    for (const StepEntry& entry : StepOrder) {
        if (!Pending(entry.Step))
            continue;
        if (entry.Step == ftpStepAuth && FTlsKind != 1 && FTlsKind != 2)
            continue;  // no TLS chosen: passed over, though still pending
        FPendingSteps &= ~Bit(entry.Step);
        if (!StepWanted(entry.Step))
            continue;
        FCurrentStep = entry.Step;
        struct StepStarting {
            bool& Flag;
            bool Outer = std::exchange(Flag, true);
            ~StepStarting() { Flag = Outer; }
        } starting{FStepStarting};
        (this->*entry.Run)();
        return true;
    }
    return false;
}

void TCustomFtpCli::StartConnect() {
    StartSequence(ftpRqConnect, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartReceive() {
    StartSequence(ftpRqReceive, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepRetr, ftpStepQuit,
                                 ftpStepType, ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartList() {
    StartSequence(ftpRqList, {ftpStepList, ftpStepPort});
}

void TCustomFtpCli::StartNameList() {
    StartSequence(ftpRqNameList, {ftpStepNlst, ftpStepPort});
}

void TCustomFtpCli::StartGet() {
    StartSequence(ftpRqGet, {ftpStepRetr, ftpStepPort});
}

void TCustomFtpCli::StartListFull() {
    StartSequence(ftpRqListFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepList, ftpStepQuit,
                                  ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartNameListFull() {
    StartSequence(ftpRqNameListFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuit, ftpStepNlst,
                                      ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartSystFull() {
    StartSequence(ftpRqSystFull,
                  {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepQuit, ftpStepSyst, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartSizeFull() {
    StartSequence(ftpRqSize, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepAcct, ftpStepAuth, ftpStepCwd, ftpStepSize,
                              ftpStepQuit});
}

void TCustomFtpCli::StartPut() {
    FDataSocket->SetLastError(0);
    StartSequence(ftpRqPut, {ftpStepStor, ftpStepPort});
    if (FDataSocket->LastError() != 0)
        throw FtpException("Socket Error " + IntToStr(FDataSocket->LastError()));
}

void TCustomFtpCli::StartAppend() {
    StartSequence(ftpRqAppend, {ftpStepAppe, ftpStepPort});
}

void TCustomFtpCli::StartRenameFull() {
    StartSequence(ftpRqRenameFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepRnfr, ftpStepRnto,
                                    ftpStepQuit, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartRename() {
    StartSequence(ftpRqRename, {ftpStepRnfr, ftpStepRnto});
}

void TCustomFtpCli::StartDeleFull() {
    StartSequence(ftpRqDeleFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuit, ftpStepDele,
                                  ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartMkdFull() {
    StartSequence(ftpRqMkdFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepMkd, ftpStepQuit,
                                 ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartRmdFull() {
    StartSequence(ftpRqRmdFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepRmd, ftpStepQuit,
                                 ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartRawFull() {
    StartSequence(ftpRqRawFull, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuit, ftpStepRaw,
                                 ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartTransmit() {
    StartSequence(ftpRqTransmit, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuit, ftpStepStor,
                                  ftpStepType, ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartAppendFull() {
    StartSequence(ftpRqTransmit, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuit, ftpStepType,
                                  ftpStepAppe, ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartRestGet() {
    StartSequence(ftpRqRestGet, {ftpStepRetr, ftpStepRest, ftpStepPort});
}

void TCustomFtpCli::StartRestReceive() {
    StartSequence(ftpRqRestReceive, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepRetr, ftpStepQuit,
                                     ftpStepType, ftpStepRest, ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartRestPut() {
    StartSequence(ftpRqRestPut, {ftpStepStor, ftpStepRest, ftpStepPort});
}

void TCustomFtpCli::StartRestTransmit() {
    StartSequence(ftpRqRestTransmit, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuit, ftpStepStor,
                                      ftpStepType, ftpStepRest, ftpStepPort, ftpStepAuth, ftpStepAcct});
}

void TCustomFtpCli::StartMlsd() {
    StartSequence(ftpRqMlsd, {ftpStepPort, ftpStepMlsd});
}

void TCustomFtpCli::StartOpenQuit() {
    StartSequence(ftpRqOpenQuit, {ftpStepOpen, ftpStepQuit, ftpStepAuth});
}

// REST --------------------------------------------------------------------------------------------------------

void TCustomFtpCli::CmdRest() {
    if (FCurrentRequest != ftpRqRestPut && FCurrentRequest != ftpRqRestTransmit && !Options.count(ftpNoAutoResumeAt))
        FResumePos = LocalFileSize(FLocalFileName);
    if (FResumePos > 0)
        return ExecCommand(ftpRqRest, ftpStepRest, "REST " + IntToStr(FResumePos), {});
    // Nothing to resume from: the step counts as done without a command.
    if (!FInSequence && !CheckReady())
        return;
    BeginRequest(ftpRqRest);
    FCurrentStep = ftpStepRest;
    FDoneSignalled = false;
    FNext = &TCustomFtpCli::CheckReply;
    FAfterReply = nullptr;
    RequestDone(0);
}

// PORT and PASV -----------------------------------------------------------------------------------------------

void TCustomFtpCli::CmdPort() {
    if (!CheckReady())
        return;
    if (!FConnected)
        return HandleError("FTP component not connected");
    std::string command = "PASV";
    try {
        // A data connection left over from an earlier transfer is of no use now.
        FDataSocket->OnSessionAvailable = FDataSocket->OnSessionClosed = FDataSocket->OnDataAvailable = nullptr;
        if (FDataSocket->State() != wsClosed)
            FDataSocket->Abort();
        FDataSocket->SetProto("tcp");
        FDataSocket->SetPort("0");
        if (!FPassive) {
            // The listener sits on the address the server already talks to, nowhere else.
            std::string local = FControlSocket->GetBoundAddr();
            if (local == "error")
                return HandleError("Data connection: the control connection has no local address");
            FDataSocket->SetAddr(local);
            if (Pending(ftpStepRetr) || Pending(ftpStepList) || Pending(ftpStepNlst) || Pending(ftpStepMlsd))
                FDataSocket->OnSessionAvailable = [this](TCustomWSocket*, win::WORD) { DownloadAcceptor(); };
            else if (Pending(ftpStepStor) || Pending(ftpStepAppe))
                FDataSocket->OnSessionAvailable = [this](TCustomWSocket*, win::WORD) { UploadAcceptor(); };
            FDataSocket->LingerOnOff = wsLingerOn;
            FDataSocket->LingerTimeout = 10;
            uint16_t port = 0;
            if (!ListenOnDataPort(port))
                return;
            std::string address = local;
            for (char& c : address)
                if (c == '.')
                    c = ',';
            command = Format("PORT %s,%d,%d", {address, port / 256, port % 256});
        }
    } catch (const ESocketException& e) {
        return HandleError("Data connection: " + e.Message());
    }
    FByteCount = 0;
    ExecCommand(ftpRqPort, ftpStepPort, command, {200, 227});
}

// Port is the one bound, which the system chose when the socket's port is 0.
bool TCustomFtpCli::TryListen(uint16_t& Port) {
    try {
        FDataSocket->Listen();
    } catch (const ESocketException&) {
        return false;
    }
    if (FDataSocket->State() != wsListening)
        return false;
    Port = static_cast<uint16_t>(StrToIntDef(FDataSocket->GetBoundPort(), 0));
    return true;
}

bool TCustomFtpCli::ListenOnDataPort(uint16_t& Port) {
    if (FDataPortRangeStart == 0 && FDataPortRangeEnd == 0) {
        FDataSocket->SetPort("0");
        if (!TryListen(Port)) {
            HandleError("Data connection winsock.bind failed, error #" + IntToStr(FDataSocket->LastError()));
            return false;
        }
        return true;
    }
    if (FDataPortRangeEnd < FDataPortRangeStart) {
        HandleError("DataPortRangeEnd must be greater than DataPortRangeStart");
        return false;
    }
    auto next = [this](uint32_t p) { return p >= FDataPortRangeEnd ? FDataPortRangeStart : p + 1; };
    if (FNextDataPort < FDataPortRangeStart || FNextDataPort > FDataPortRangeEnd)
        FNextDataPort = FDataPortRangeStart;
    uint32_t first = FNextDataPort;
    for (uint32_t p = first;;) {
        FDataSocket->SetPort(IntToStr(p));
        if (TryListen(Port)) {
            FNextDataPort = next(p);
            return true;
        }
        if (FDataSocket->LastError() != win::WSAEADDRINUSE) {
            HandleError("Data connection winsock.bind failed, error #" + IntToStr(FDataSocket->LastError()));
            return false;
        }
        p = next(p);
        if (p == first) {
            HandleError("All ports in DataPortRange are in use");
            return false;
        }
    }
}
