// TCustomFtpCli: construction, properties, the hidden window, sending commands and judging replies, opening
// and closing the control connection, the end of a request, and Abort.
#include "net/FtpCli.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "net/BgException.h"
#include "platform/win/CodePage.h"

namespace {

constexpr size_t kReplyLimit = 4095;  // bytes of one reply line, terminator included; a zero byte follows them

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The leading number of a line: blanks, an optional sign, decimal digits. Pos is left after the digits.
int64_t LeadingNumber(const std::string& Line, size_t& Pos) {
    Pos = 0;
    while (Pos < Line.size() && IsBlank(Line[Pos]))
        ++Pos;
    bool negative = false;
    if (Pos < Line.size() && (Line[Pos] == '+' || Line[Pos] == '-'))
        negative = Line[Pos++] == '-';
    int64_t value = 0;
    for (; Pos < Line.size() && IsDigit(Line[Pos]); ++Pos)
        if (value < INT64_MAX / 10 - 9)
            value = value * 10 + (Line[Pos] - '0');
    return negative ? -value : value;
}

bool IsFinalLine(const std::string& Line) {
    if (Line.empty() || !IsDigit(Line[0]))
        return false;
    size_t pos;
    LeadingNumber(Line, pos);
    return pos >= Line.size() || Line[pos] != '-';
}

}  // namespace

std::string TCustomFtpCli::WinsockErrorText(int ErrCode) {
    return SocketErrorText(ErrCode) + " (Winsock error #" + IntToStr(ErrCode) + ")";
}

std::string TCustomFtpCli::ClassAndMessage(const Exception& E) {
    return std::string(E.ClassName()) + ": " + E.Message();
}

// Text from the server as text of the program: code page 932; bytes that are not, shown escaped.
std::string TCustomFtpCli::ServerText(std::string_view Bytes) {
    if (auto text = win::Cp932ToUtf8(Bytes))
        return *text;
    std::string shown;
    for (unsigned char c : Bytes)
        shown += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\x" + IntToHex(c, 2);
    return shown;
}

TCustomFtpCli::TCustomFtpCli()
    : FControlSocket(std::make_unique<TWSocket>()), FDataSocket(std::make_unique<TWSocket>()) {
    FDataSocket->SendBlockSize = DataBlockSize;
    FNotifyWindow = win::AllocateHWnd([this](win::TMessage& Msg) { WndProc(Msg); });
    FControlSocket->OnSessionConnected = [this](TCustomWSocket*, win::WORD e) { ControlSessionConnected(e); };
    FControlSocket->OnDataAvailable = [this](TCustomWSocket*, win::WORD e) { ReplyReader(e); };
    FControlSocket->OnSessionClosed = [this](TCustomWSocket*, win::WORD e) { ControlSessionClosed(e); };
    FControlSocket->OnDnsLookupDone = [this](TCustomWSocket*, win::WORD e) { ControlDnsLookupDone(e); };
}

TCustomFtpCli::~TCustomFtpCli() {
    win::DeallocateHWnd(FNotifyWindow);
    ReleaseLocalStream();
    for (TWSocket* s : {FControlSocket.get(), FDataSocket.get()}) {
        s->OnSessionConnected = s->OnDataAvailable = s->OnSessionClosed = s->OnDnsLookupDone = nullptr;
        s->OnSessionAvailable = s->OnDataSent = nullptr;
    }
}

// Properties ------------------------------------------------------------------------------------------------

void TCustomFtpCli::SetDataPortRangeStart(uint32_t Value) {
    if (Value > 65535)
        return ReportUsageError("DataPortRangeStart must be in the range 0..65535");
    FDataPortRangeStart = Value;
}

void TCustomFtpCli::SetDataPortRangeEnd(uint32_t Value) {
    if (Value > 65535)
        return ReportUsageError("DataPortRangeEnd must be in the range 0..65535");
    FDataPortRangeEnd = Value;
}

void TCustomFtpCli::SetLocalFileName(const std::string& Value) {
    FLocalFileName = Value;
    if (Value.empty())
        return;
    // The caller's stream is the caller's: forget it rather than ever free it.
    if (FUseCallerStream)
        FLocalStream = nullptr;
    FUseCallerStream = false;
}

void TCustomFtpCli::AssignLocalStream(TStream* Stream) {
    FLocalStream = Stream;
    FUseCallerStream = Stream != nullptr;
    if (Stream)
        FLocalFileName.clear();
}

TFtpShareMode TCustomFtpCli::ShareMode() const {
    switch (FShareMode) {
        case ftpShareCompat:
        case ftpShareExclusive:
        case ftpShareDenyWrite:
        case ftpShareDenyRead:
        case ftpShareDenyNone:
            return static_cast<TFtpShareMode>(FShareMode);
        default:
            return ftpShareExclusive;
    }
}

void TCustomFtpCli::SetConnectionType(TFtpConnectionType Value) {
    if (FConnected)
        return ReportUsageError("FTP component connected");
    FConnectionType = Value;
    bool socks = Value == ftpSocks4 || Value == ftpSocks4A || Value == ftpSocks5;
    if (Value == ftpProxy || socks)
        FPassive = true;
    for (TWSocket* s : {FControlSocket.get(), FDataSocket.get()})
        s->SocksAuthentication = socks ? socksAuthenticateUsercode : socksNoAuthentication;
}

void TCustomFtpCli::ApplyConnectionType(TWSocket& Socket) {
    Socket.SetSocksServer(FSocksServer);
    Socket.SetSocksPort(FSocksPort);
    Socket.SetSocksLevel(FConnectionType == ftpSocks4 ? "4" : FConnectionType == ftpSocks4A ? "4A" : "5");
}

void TCustomFtpCli::SetSocksUserCode(const std::string& Value) {
    FControlSocket->SocksUsercode = Value;
    FDataSocket->SocksUsercode = Value;
}

void TCustomFtpCli::SetSocksPassword(const std::string& Value) {
    FControlSocket->SocksPassword = Value;
    FDataSocket->SocksPassword = Value;
}

void TCustomFtpCli::SetNetLogger(TNetLogger* Value) {
    FControlSocket->SetNetLogger(Value);
    FDataSocket->SetNetLogger(Value);
}

// Events and reports --------------------------------------------------------------------------------------

void TCustomFtpCli::DebugLog(TLogOption Option, const std::string& Msg) {
    if (TNetLogger* logger = NetLogger())
        logger->DoLog(this, Option, Msg);
}

bool TCustomFtpCli::CheckLogOptions(TLogOption Option) {
    TNetLogger* logger = NetLogger();
    return logger && logger->LogOptions().count(Option) > 0;
}

void TCustomFtpCli::TriggerDisplay(const std::string& Msg) {
    std::string text = Msg;
    if (OnDisplay)
        OnDisplay(this, text);
}

void TCustomFtpCli::TriggerDisplayFile(const std::string& Msg) {
    std::string text = Msg;
    if (OnDisplayFile)
        OnDisplayFile(this, text);
}

void TCustomFtpCli::TriggerError(const std::string& Msg) {
    std::string text = Msg;
    if (OnError)
        OnError(this, text);
}

void TCustomFtpCli::SetState(TFtpState Value) {
    if (FState == Value)
        return;
    FState = Value;
    if (OnStateChange)
        OnStateChange(this);
}

void TCustomFtpCli::DisplayLastResponse() {
    TriggerDisplay("< " + FLastReplyLine);
}

void TCustomFtpCli::SetErrorMessage() {
    if (FErrorMessage.empty())
        FErrorMessage = FLastReplyLine;
}

bool TCustomFtpCli::Ready() const {
    return FState == ftpReady || FState == ftpInternalReady || FState == ftpPasvReady;
}

bool TCustomFtpCli::CheckReady() {
    if (Ready())
        return true;
    RefuseCall("FTP component not ready");
    return false;
}

// A call made from outside while a request runs is refused, and that request goes on untouched; only a step
// of the running sequence that cannot start ends it.
void TCustomFtpCli::RefuseCall(const std::string& Msg) {
    bool requestRunning = FInSequence || (FState != ftpNotConnected && !Ready());
    if (requestRunning && !FStepStarting)
        return ReportUsageError(Msg);
    HandleError(Msg);
}

void TCustomFtpCli::ReportUsageError(const std::string& Msg) {
    if (OnError)
        return TriggerError(Msg);
    throw FtpException(Msg);
}

void TCustomFtpCli::HandleError(const std::string& Msg) {
    FPendingSteps = 0;
    FCurrentStep = ftpStepNone;
    FLastReplyLine.clear();
    FErrorMessage.clear();
    FContinueRequest = nullptr;
    // A step of a running sequence cannot start: the request ends with the reason, so nobody mistakes it
    // for a success.
    if (FInSequence)
        return FailRequest(500, "500 " + Msg);
    ReportUsageError(Msg);
}

void TCustomFtpCli::SetFailureReply(int Code, const std::string& Line) {
    FLastReplyLine = Line;
    FReplyCode = Code;
    FRequestError = Code;
    SetErrorMessage();
}

void TCustomFtpCli::FailRequest(int Code, const std::string& Line) {
    SetFailureReply(Code, Line);
    FContinueRequest = nullptr;
    FAfterReply = nullptr;
    FNext = nullptr;
    FPendingSteps = 0;
    FDoneSignalled = false;
    RequestDone(Code);
}

void TCustomFtpCli::AbortWithError(const std::string& Msg, int Code) {
    Abort();
    FErrorMessage = Msg;
    FReplyCode = Code;
}

// Commands ------------------------------------------------------------------------------------------------

void TCustomFtpCli::BeginRequest(TFtpRequest Request) {
    if (FInSequence)
        return;
    FCurrentRequest = Request;
    ++FRequestId;
}

void TCustomFtpCli::ExecCommand(TFtpRequest Request, TFtpStep Step, const std::string& Command,
                                std::vector<int> Accepted, Handler AfterReply) {
    if (Command != "ABOR" && Command != "STAT" && Command != "QUIT") {
        if (!CheckReady())
            return;
        if (!FConnected)
            return HandleError("FTP component not connected");
    }
    BeginRequest(Request);
    FCurrentStep = Step;
    FAcceptedCodes = std::move(Accepted);
    FReplyText.clear();
    FDoneSignalled = false;
    FNext = &TCustomFtpCli::CheckReply;
    FAfterReply = AfterReply;
    FErrorMessage.clear();
    FRequestError = 0;
    SetState(ftpWaitingResponse);
    SendCommand(Command);
}

void TCustomFtpCli::SendCommand(const std::string& Cmd) {
    std::string command = Cmd;
    if (OnCommand)
        OnCommand(this, command);
    // A line break or NUL would smuggle a second command onto the connection.
    if (command.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return FailRequest(500, "500 Command refused: an argument holds a line break or NUL");
    std::optional<std::string> bytes = win::Utf8ToCp932(command);
    if (!bytes)
        return FailRequest(500, "500 Command refused: an argument cannot be written in code page 932");
    TriggerDisplay("> " + command);
    if (FControlSocket->State() == wsConnected) {
        FControlSocket->SendStr(*bytes + "\r\n");
        return;
    }
    FReplyCode = command == "QUIT" ? 200 : 550;
    FContinueRequest = nullptr;
    FAfterReply = nullptr;
    FConnected = false;
    FRequestError = FReplyCode;
    FLastReplyLine = IntToStr(FReplyCode) + " not connected";
    if (FReplyCode == 550) {
        SetErrorMessage();
        return RequestDone(550);
    }
    RequestDone(0);
}

// The reply reader -----------------------------------------------------------------------------------------

void TCustomFtpCli::ReplyReader(win::WORD ErrCode) {
    int n = FControlSocket->Receive(FReplyBuffer + FReplyBufferLen, static_cast<int>(kReplyLimit - FReplyBufferLen));
    if (n <= 0)
        return;
    FReplyBufferLen += static_cast<size_t>(n);
    ProcessReplyBuffer(ErrCode);
}

void TCustomFtpCli::FeedReply(std::string_view Bytes, win::WORD ErrCode) {
    while (!Bytes.empty()) {
        size_t n = std::min(Bytes.size(), kReplyLimit - FReplyBufferLen);
        if (n == 0)
            return;  // the reader stopped taking bytes, as it does once it closed the connection
        std::memcpy(FReplyBuffer + FReplyBufferLen, Bytes.data(), n);
        FReplyBufferLen += n;
        Bytes.remove_prefix(n);
        ProcessReplyBuffer(ErrCode);
    }
}

void TCustomFtpCli::ProcessReplyBuffer(win::WORD ErrCode) {
    FReplyBuffer[FReplyBufferLen] = 0;
    while (FReplyBufferLen > 0) {
        std::string_view held(FReplyBuffer, FReplyBufferLen);
        size_t end = Options.count(ftpAcceptLF) ? held.find('\n') : held.find("\r\n");
        if (end == std::string_view::npos)
            break;
        size_t length = end;
        while (length > 0 && (held[length - 1] == '\r' || held[length - 1] == '\n'))
            --length;
        TakeReplyLine(held.substr(0, length), end + (Options.count(ftpAcceptLF) ? 1 : 2));
        if (!ProcessReplyLine(ErrCode))
            return;
    }
    if (FReplyBufferLen >= kReplyLimit)
        ReplyLineTooLong();
}

void TCustomFtpCli::TakeReplyLine(std::string_view Line, size_t Consumed) {
    FLastReplyLine = ServerText(Line);
    if (FReplyText.size() < 65536)
        FReplyText += FLastReplyLine + "\r\n";
    if (!FLastReplyLine.empty() && IsDigit(FLastReplyLine[0])) {
        size_t pos;
        FReplyCode = static_cast<int>(LeadingNumber(FLastReplyLine, pos));
    }
    if (OnResponse)
        OnResponse(this);
    if (CheckLogOptions(loProtSpecDump))
        DebugLog(loProtSpecDump, ">|" + FLastReplyLine + "|\r\n");
    FReplyBufferLen -= Consumed;
    std::memmove(FReplyBuffer, FReplyBuffer + Consumed, FReplyBufferLen);
    FReplyBuffer[FReplyBufferLen] = 0;
}

bool TCustomFtpCli::ProcessReplyLine(win::WORD ErrCode) {
    bool final = IsFinalLine(FLastReplyLine);
    if (FState == ftpWaitingBanner) {
        DisplayLastResponse();
        if (!final)
            return true;
        if (FReplyCode == 220) {
            SetState(ftpConnected);
            if (OnSessionConnected)
                OnSessionConnected(this, ErrCode);
            RequestDone(0);
            return true;
        }
        SetErrorMessage();
        FRequestError = FReplyCode;
        CloseControl();
        return false;
    }
    if (FState == ftpWaitingResponse) {
        if (FCurrentStep == ftpStepFeat)
            RecordFeature(Trim(FLastReplyLine));
        if (FCurrentStep == ftpStepMlst && FLastReplyLine.size() > 4 && FReplyCode == 250 && FLastReplyLine[0] == ' ')
            FMlstReply = Trim(FLastReplyLine);
        if (final) {
            if (!FNext) {
                HandleError("Program error: FNext is nil");
                return false;
            }
            (this->*FNext)();
            return true;
        }
    }
    DisplayLastResponse();
    return true;
}

// A line longer than the buffer would never complete: the request fails and the connection goes.
void TCustomFtpCli::ReplyLineTooLong() {
    FReplyBufferLen = 0;
    SetFailureReply(500, "500 Reply line longer than " + IntToStr(kReplyLimit) + " bytes");
    DisplayLastResponse();
    CloseControl();
}

void TCustomFtpCli::RecordFeature(const std::string& Line) {
    auto begins = [&](const char* prefix) { return Line.rfind(prefix, 0) == 0; };
    auto holdsAfterVerb = [&](const char* what) { return Line.size() > 5 && Line.find(what, 5) != std::string::npos; };
    if (begins("MDTM YYYYMMDDHHMMSS[+-TZ]"))
        FServerFeatures |= ftpFeatMdtmYy;
    if (Line == "MDTM")
        FServerFeatures |= ftpFeatMdtm;
    if (Line == "SIZE")
        FServerFeatures |= ftpFeatSize;
    if (Line == "REST STREAM")
        FServerFeatures |= ftpFeatRest;
    if (begins("MLST")) {
        FServerFeatures |= ftpFeatMlst;
        if (Line.size() > 6)
            FMlstFactsOffered = Trim(Line.substr(5)).substr(0, 99);
    }
    if (Line == "MFMT")
        FServerFeatures |= ftpFeatMfmt;
    if (Line == "MD5")
        FServerFeatures |= ftpFeatMd5;
    if (begins("AUTH") && holdsAfterVerb("SSL"))
        FServerFeatures |= ftpFeatAuthSsl;
    if (begins("AUTH") && holdsAfterVerb("TLS"))
        FServerFeatures |= ftpFeatAuthTls;
    if (begins("PROT") && holdsAfterVerb("P"))
        FServerFeatures |= ftpFeatProtP;
    if (begins("PROT") && holdsAfterVerb("C"))
        FServerFeatures |= ftpFeatProtC;
    if (begins("MODE Z"))
        FServerFeatures |= ftpFeatModeZ;
    if (Line == "CCC")
        FServerFeatures |= ftpFeatCcc;
    if (Line == "PBSZ")
        FServerFeatures |= ftpFeatPbsz;
}

void TCustomFtpCli::CheckReply() {
    DisplayLastResponse();
    if (!IsFinalLine(FLastReplyLine))
        return;
    bool accepted = FAcceptedCodes.empty()
                        ? FReplyCode < 500
                        : std::find(FAcceptedCodes.begin(), FAcceptedCodes.end(), FReplyCode) != FAcceptedCodes.end();
    FRequestError = accepted ? 0 : FReplyCode;
    if (FRequestError != 0)
        SetErrorMessage();
    if (FPassive && FReplyCode == 227) {
        SetState(ftpPasvReady);
        FPasvReply = FLastReplyLine;
    }
    if (FCurrentStep == ftpStepMode && FReplyCode == 200)
        FCurrentMode = WantedMode;
    if (FRequestError == 0)
        KeepReplyResult();
    if (FAfterReply)
        return (this->*FAfterReply)();
    RequestDone(FRequestError);
}

// Opening and closing the control connection -----------------------------------------------------------------

void TCustomFtpCli::CmdOpen() {
    if (!CheckReady())
        return;
    if (FConnected)
        return HandleError("FTP component already connected");
    // Checked before anything changes: an empty name would leave the component resolving for ever.
    if (Trim(FConnectionType == ftpProxy ? ProxyServer : HostName).empty())
        return HandleError("HostName empty");
    BeginRequest(ftpRqOpen);
    FCurrentStep = ftpStepOpen;
    FDoneSignalled = false;
    FReplyBufferLen = 0;
    FRequestError = 0;
    FControlAddr.clear();
    FMlstFactsOffered.clear();
    FServerFeatures = 0;
    SetState(ftpDnsLookup);
    try {
        FControlSocket->DnsLookup(Trim(FConnectionType == ftpProxy ? ProxyServer : HostName));
    } catch (const Exception& e) {
        FailRequest(500, "500 " + ClassAndMessage(e));
    }
}

void TCustomFtpCli::ControlDnsLookupDone(win::WORD ErrCode) {
    if (FState != ftpDnsLookup)
        return;
    if (ErrCode != 0) {
        SetFailureReply(500, "500 " + WinsockErrorText(ErrCode));
        return RequestDone(ErrCode);
    }
    try {
        FControlAddr = FControlSocket->DnsResult();
        FControlSocket->SetAddr(FControlAddr);
        FControlSocket->SetLocalAddr(LocalAddr);
        FControlSocket->SetProto("tcp");
        FControlSocket->SetPort(FConnectionType == ftpProxy && !ProxyPort.empty() ? ProxyPort : Port);
        ApplyConnectionType(*FControlSocket);
        SetState(ftpWaitingBanner);
        FControlSocket->Connect();
    } catch (const Exception& e) {
        FailRequest(500, "500 " + ClassAndMessage(e));
    }
}

void TCustomFtpCli::ControlSessionConnected(win::WORD ErrCode) {
    if (ErrCode == 0) {
        FConnected = true;  // the greeting comes next
        return;
    }
    SetFailureReply(500, "500 " + WinsockErrorText(ErrCode));
    FContinueRequest = nullptr;
    RequestDone(ErrCode);
    CloseControl();
    SetState(ftpReady);
}

void TCustomFtpCli::ControlSessionClosed(win::WORD ErrCode) {
    // Only QUIT may see its connection go while its reply is awaited; any other request cut off that way
    // failed, whatever the last reply said.
    bool cutOff = (FState == ftpWaitingResponse || FState == ftpWaitingBanner) && FCurrentStep != ftpStepQuit;
    if (FConnected) {
        FConnected = false;
        if (FState != ftpAbort)
            SetState(ftpNotConnected);
        if (OnSessionClosed)
            OnSessionClosed(this, ErrCode);
    }
    if (FState != ftpAbort)
        SetState(ftpInternalReady);
    if (ErrCode != 0)
        SetFailureReply(500, "500 Control connection closed. " + WinsockErrorText(ErrCode));
    else if (cutOff && FRequestError == 0)
        SetFailureReply(500, "500 Control connection closed.");
    RequestDone(FRequestError);
}

void TCustomFtpCli::CloseControl() {
    FControlSocket->Close();
}

void TCustomFtpCli::CloseDataSocket() {
    if (FDataSocket->State() != wsClosed)
        FDataSocket->Close();
}

// The end of a request ----------------------------------------------------------------------------------------

void TCustomFtpCli::RequestDone(int Code) {
    if (FDoneSignalled)
        return;
    FDoneSignalled = true;
    if (Code == 0 && FContinueRequest) {
        if (FState != ftpAbort && FState != ftpPasvReady)
            SetState(ftpInternalReady);
        (this->*FContinueRequest)();
        return;
    }
    SetState(ftpReady);
    // Dropped before the data connection closes: its close must find nothing left to commit.
    ReleaseLocalStream();
    CloseDataSocket();
    if (FInSequence && FSavedReplyCode >= 0) {
        FLastReplyLine = FSavedReplyLine;
        FReplyCode = FSavedReplyCode;
    }
    FInSequence = false;
    FContinueRequest = nullptr;
    FEndedRequestError = FRequestError;  // a failure after the end must not rewrite how the request ended
    win::PostMessageA(FNotifyWindow, WM_FTP_REQUEST_DONE, FRequestId, Code);
}

void TCustomFtpCli::WndProc(win::TMessage& Msg) {
    try {
        switch (Msg.Msg) {
            case WM_FTP_REQUEST_DONE:
                // The end of an aborted or earlier request must not pass for the end of this one.
                if (Msg.WParam != FRequestId)
                    return;
                RequestDelivered(win::LOWORD(Msg.LParam), FEndedRequestError);
                if (OnRequestDone)
                    OnRequestDone(this, FCurrentRequest, win::LOWORD(Msg.LParam));
                return;
            case WM_FTP_SENDDATA:
                if (Msg.WParam != FRequestId)
                    return;
                FTransferStart = win::GetTickCount();
                return DataSocketPutDataSent(0);
            case WM_FTP_DRAIN:
                if (Msg.WParam == FRequestId)
                    DrainUpload();
                return;
            default:
                Msg.Result = win::DefWindowProcA(FNotifyWindow, Msg.Msg, Msg.WParam, Msg.LParam);
        }
    } catch (const Exception& e) {
        HandleBackGroundException(e);
    }
}

void TCustomFtpCli::PostToSelf(win::UINT Msg) {
    win::PostMessageA(FNotifyWindow, Msg, FRequestId, 0);
}

void TCustomFtpCli::HandleBackGroundException(const Exception& E) {
    AbortAfterBgException(*this, OnBgException, E);
}

void TCustomFtpCli::Abort() {
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Aborting");
    SetState(ftpAbort);
    // A step that raises must not leave the component half aborted and refusing every later call: the others
    // still run, and the first failure goes on to the caller once the component is ready again.
    std::exception_ptr failure;
    auto attempt = [&failure](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    attempt([this] { ReleaseLocalStream(); });
    attempt([this] { FControlSocket->Abort(); });
    attempt([this] { FDataSocket->Abort(); });
    FConnected = false;
    FInSequence = false;
    FPendingSteps = 0;
    FContinueRequest = nullptr;
    FNext = nullptr;
    FDoneSignalled = true;
    ++FRequestId;  // whatever the aborted request posted is stale now
    SetState(ftpReady);
    if (failure)
        std::rethrow_exception(failure);
}
