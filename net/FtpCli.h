#pragma once
// The FTP client component. TCustomFtpCli drives a control and a data TWSocket and never blocks: it runs one
// request at a time, either one command or a chain of steps (log-in, list, download, upload, and "full" forms
// that log in and out around them), and a hidden window of its own reports each request's outcome exactly once
// through OnRequestDone. TFtpClient wraps requests in calls that pump messages until the request is over, or
// give up when nothing has moved for Timeout seconds.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "net/WSocket.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

TARVO_DECLARE_EXCEPTION(FtpException, Exception);

// Value 6 is not used.
enum TFtpState : uint8_t {
    ftpNotConnected = 0,
    ftpReady = 1,
    ftpInternalReady = 2,  // between two steps of a request, or the control connection closed during one
    ftpDnsLookup = 3,
    ftpConnected = 4,
    ftpAbort = 5,
    ftpWaitingBanner = 7,
    ftpWaitingResponse = 8,
    ftpPasvReady = 9,
};

// The request type OnRequestDone reports.
enum TFtpRequest : uint8_t {
    ftpRqNone = 0,
    ftpRqOpen = 1,
    ftpRqUser = 2,
    ftpRqPass = 3,
    ftpRqCwd = 4,
    ftpRqConnect = 5,
    ftpRqReceive = 6,
    ftpRqList = 7,
    ftpRqNameList = 8,
    ftpRqPort = 9,
    ftpRqGet = 10,
    ftpRqListFull = 11,
    ftpRqNameListFull = 12,
    ftpRqSystFull = 13,
    ftpRqSyst = 14,
    ftpRqQuit = 15,
    ftpRqAbor = 16,
    ftpRqSize = 17,
    ftpRqPut = 18,
    ftpRqAppend = 19,
    ftpRqMkd = 22,
    ftpRqRmd = 23,
    ftpRqRenameFull = 24,
    ftpRqDele = 25,
    ftpRqRename = 26,
    ftpRqRnto = 27,
    ftpRqRnfr = 28,
    ftpRqDeleFull = 29,
    ftpRqMkdFull = 30,
    ftpRqRmdFull = 31,
    ftpRqPwd = 32,
    ftpRqQuote = 33,
    ftpRqCdup = 34,
    ftpRqRawFull = 35,
    ftpRqTransmit = 36,
    ftpRqType = 37,
    ftpRqRest = 38,
    ftpRqRestGet = 39,
    ftpRqRestReceive = 40,
    ftpRqRestPut = 41,
    ftpRqRestTransmit = 42,
    ftpRqMlsd = 43,
    ftpRqFeat = 44,
    ftpRqMlst = 45,
    ftpRqMdtm = 46,
    ftpRqMdtmSet = 47,
    ftpRqOpenQuit = 48,
    ftpRqMfmt = 49,
    ftpRqMd5 = 50,
    ftpRqAcct = 51,
    ftpRqMode = 54,
    ftpRqOpts = 55,
};

// Sharing flags for opening the local file (accepted and kept; this platform does not lock files).
enum TFtpShareMode : uint8_t {
    ftpShareCompat = 0x00,
    ftpShareExclusive = 0x10,
    ftpShareDenyWrite = 0x20,
    ftpShareDenyRead = 0x30,
    ftpShareDenyNone = 0x40,
};

// Steps of a request: the value CurrentStep takes while the step runs, and its bit in a sequence's step set.
enum TFtpStep : uint8_t {
    ftpStepNone = 0,
    ftpStepOpen = 1,
    ftpStepUser = 2,
    ftpStepPass = 3,
    ftpStepCwd = 4,
    ftpStepSize = 5,
    ftpStepMkd = 6,
    ftpStepRmd = 7,
    ftpStepRnfr = 8,
    ftpStepRnto = 9,
    ftpStepRetr = 10,
    ftpStepList = 11,
    ftpStepQuit = 12,
    ftpStepSyst = 13,
    ftpStepDele = 14,
    ftpStepPwd = 15,
    ftpStepRaw = 16,
    ftpStepStor = 17,
    ftpStepType = 18,
    ftpStepRest = 19,
    ftpStepCdup = 20,
    ftpStepNlst = 21,
    ftpStepAppe = 22,
    ftpStepPort = 23,
    ftpStepAbor = 24,
    ftpStepMlsd = 25,
    ftpStepFeat = 26,
    ftpStepMlst = 27,
    ftpStepMdtm = 28,
    ftpStepMdtmSet = 29,
    ftpStepAuth = 30,
    ftpStepMfmt = 31,
    ftpStepMd5 = 32,
    ftpStepAcct = 33,
    ftpStepMode = 36,
    ftpStepOpts = 37,
};

// Messages of the component's hidden window; wParam carries the identity of the request they belong to.
constexpr win::UINT WM_FTP_REQUEST_DONE = win::WM_USER + 1;
constexpr win::UINT WM_FTP_SENDDATA = win::WM_USER + 2;
constexpr win::UINT WM_FTP_DRAIN = win::WM_USER + 3;

enum TFtpOption { ftpAcceptLF, ftpNoAutoResumeAt, ftpWaitUsingSleep, ftpBandwidthControl };
using TFtpOptions = std::set<TFtpOption>;

enum TFtpConnectionType { ftpDirect, ftpProxy, ftpSocks4, ftpSocks4A, ftpSocks5 };

// Bits of ServerFeatures, from the FEAT reply.
enum : uint16_t {
    ftpFeatSize = 0x0002,
    ftpFeatRest = 0x0004,
    ftpFeatMdtmYy = 0x0008,
    ftpFeatMdtm = 0x0010,
    ftpFeatMlst = 0x0020,
    ftpFeatMfmt = 0x0040,
    ftpFeatMd5 = 0x0080,
    ftpFeatAuthSsl = 0x0100,
    ftpFeatAuthTls = 0x0200,
    ftpFeatProtP = 0x0400,
    ftpFeatProtC = 0x0800,
    ftpFeatModeZ = 0x1000,
    ftpFeatCcc = 0x2000,
    ftpFeatPbsz = 0x4000,
};

class TCustomFtpCli;
using TFtpDisplay = std::function<void(TCustomFtpCli* Sender, std::string& Msg)>;
using TFtpCommand = std::function<void(TCustomFtpCli* Sender, std::string& Cmd)>;
using TFtpNotifyEvent = std::function<void(TCustomFtpCli* Sender)>;
using TFtpProgress = std::function<void(TCustomFtpCli* Sender, int64_t Count, bool& Abort)>;
using TFtpSessionEvent = std::function<void(TCustomFtpCli* Sender, win::WORD ErrCode)>;
using TFtpRequestDone = std::function<void(TCustomFtpCli* Sender, TFtpRequest RqType, win::WORD ErrCode)>;
using TFtpReadyToTransmit = std::function<void(TCustomFtpCli* Sender, bool& bCancel)>;
using TFtpBgExceptionEvent = std::function<void(TCustomFtpCli* Sender, const Exception& E, bool& CanClose)>;

class TCustomFtpCli {
public:
    TCustomFtpCli();
    TCustomFtpCli(const TCustomFtpCli&) = delete;
    TCustomFtpCli& operator=(const TCustomFtpCli&) = delete;
    virtual ~TCustomFtpCli();

    // Properties.
    std::string HostName;
    std::string Port = "ftp";
    std::string LocalAddr = "0.0.0.0";
    std::string UserName;
    std::string PassWord;
    std::string Account;
    std::string HostDirName;
    std::string HostFileName;
    bool DisplayFileFlag = false;
    TFtpOptions Options{ftpAcceptLF};
    std::string ProxyServer;
    std::string ProxyPort = "ftp";
    TDateTime RemoteFileTime = 0;  // result of MDTM, argument of MDTM with a time and of MFMT

    uint32_t DataPortRangeStart() const { return FDataPortRangeStart; }
    void SetDataPortRangeStart(uint32_t Value);
    uint32_t DataPortRangeEnd() const { return FDataPortRangeEnd; }
    void SetDataPortRangeEnd(uint32_t Value);
    const std::string& LocalFileName() const { return FLocalFileName; }
    void SetLocalFileName(const std::string& Value);
    bool Binary() const { return FTypeChar == 'I'; }
    void SetBinary(bool Value) { FTypeChar = Value ? 'I' : 'A'; }
    TFtpShareMode ShareMode() const;
    void SetShareMode(TFtpShareMode Value) { FShareMode = Value; }
    TFtpConnectionType ConnectionType() const { return FConnectionType; }
    void SetConnectionType(TFtpConnectionType Value);
    // Passive data connections; the proxy and SOCKS connection types turn it on.
    bool Passive() const { return FPassive; }
    void SetPassive(bool Value) { FPassive = Value; }
    // The SOCKS server and port of every connection the component makes, until they are changed.
    std::string SocksServer() const { return FSocksServer; }
    void SetSocksServer(const std::string& Value) { FSocksServer = Value; }
    std::string SocksPort() const { return FSocksPort; }
    void SetSocksPort(const std::string& Value) { FSocksPort = Value; }
    std::string SocksUserCode() const { return FControlSocket->SocksUsercode; }
    void SetSocksUserCode(const std::string& Value);
    std::string SocksPassword() const { return FControlSocket->SocksPassword; }
    void SetSocksPassword(const std::string& Value);
    TNetLogger* NetLogger() const { return FControlSocket->NetLogger(); }
    void SetNetLogger(TNetLogger* Value);

    // What the last request left.
    TFtpState State() const { return FState; }
    bool Connected() const { return FConnected; }
    bool IsConnected() const { return FControlSocket->State() != wsClosed; }  // the control socket is open
    TFtpRequest CurrentRequest() const { return FCurrentRequest; }
    const std::string& ErrorMessage() const { return FErrorMessage; }
    const std::string& LastResponse() const { return FLastReplyLine; }
    const std::string& ReplyText() const { return FReplyText; }  // the lines of the last command's reply
    int ReplyCode() const { return FReplyCode; }
    int RequestError() const { return FRequestError; }
    int64_t SizeResult() const { return FSizeResult; }
    const std::string& DirResult() const { return FDirResult; }
    const std::string& Md5Result() const { return FMd5Result; }
    const std::string& MlstReply() const { return FMlstReply; }
    const std::string& MlstFactsOffered() const { return FMlstFactsOffered; }
    uint16_t ServerFeatures() const { return FServerFeatures; }
    int CurrentMode() const { return FCurrentMode; }
    int64_t ByteCount() const { return FByteCount; }
    int64_t ResumePos() const { return FResumePos; }
    TWSocket* ControlSocket() const { return FControlSocket.get(); }
    TWSocket* DataSocket() const { return FDataSocket.get(); }

    // A stream of the caller's for the next transfers (nullptr: transfer to and from LocalFileName again).
    void AssignLocalStream(TStream* Stream);

    // Events.
    TFtpDisplay OnDisplay;
    TFtpDisplay OnDisplayFile;
    TFtpDisplay OnError;
    TFtpCommand OnCommand;
    TFtpNotifyEvent OnResponse;
    TFtpProgress OnProgress;
    TFtpSessionEvent OnSessionConnected;
    TFtpSessionEvent OnSessionClosed;
    TFtpRequestDone OnRequestDone;
    TFtpNotifyEvent OnStateChange;
    TFtpReadyToTransmit OnReadyToTransmit;
    TFtpBgExceptionEvent OnBgException;

    // Single-command requests.
    virtual void CmdOpen();
    virtual void CmdUser();
    virtual void CmdPass();
    virtual void CmdAcct();
    virtual void CmdCwd();
    virtual void CmdCdup();
    virtual void CmdPwd();
    virtual void CmdType();
    virtual void CmdTypeBinary();
    virtual void CmdTypeAscii();
    virtual void CmdSyst();
    virtual void CmdSize();
    virtual void CmdMkd();
    virtual void CmdRmd();
    virtual void CmdDele();
    virtual void CmdRnfr();
    virtual void CmdRnto();
    virtual void CmdRaw();
    virtual void CmdAbor();
    virtual void CmdRest();
    virtual void CmdQuit();
    virtual void CmdFeat();
    virtual void CmdMlst();
    virtual void CmdMdtm();
    virtual void CmdMdtmSet();
    virtual void CmdMfmt();
    virtual void CmdMd5();
    virtual void CmdMode();
    virtual void CmdOpts();
    virtual void CmdPort();
    // The component has no TLS: these raise FtpException and send nothing.
    virtual void CmdAuth();
    virtual void CmdProt();
    virtual void CmdPbsz();
    virtual void CmdCcc();
    // Clears TlsKind; raises FtpException when WantSsl asks for SSL.
    virtual void CheckSslSupport(bool WantSsl);
    // The kind of TLS chosen for the control connection: 0, none; the sequencer runs AUTH only for 1 or 2.
    uint8_t TlsKind() const { return FTlsKind; }

    // Sequence requests.
    virtual void StartConnect();
    virtual void StartReceive();
    virtual void StartList();
    virtual void StartNameList();
    virtual void StartGet();
    virtual void StartListFull();
    virtual void StartNameListFull();
    virtual void StartSystFull();
    virtual void StartSizeFull();
    virtual void StartPut();
    virtual void StartAppend();
    virtual void StartRenameFull();
    virtual void StartRename();
    virtual void StartDeleFull();
    virtual void StartMkdFull();
    virtual void StartRmdFull();
    virtual void StartRawFull();
    virtual void StartTransmit();
    virtual void StartAppendFull();
    virtual void StartRestGet();
    virtual void StartRestReceive();
    virtual void StartRestPut();
    virtual void StartRestTransmit();
    virtual void StartMlsd();
    virtual void StartOpenQuit();

    // Transfers outside a sequence (after PORT or PASV).
    virtual void BeginRetr();
    virtual void BeginList();
    virtual void BeginNlst();
    virtual void BeginMlsd();
    virtual void BeginStor();
    virtual void BeginAppe();

    // Drops both connections at once; posts no request end.
    virtual void Abort();

    // REST: the offset a resumed transfer starts at (StartRestPut and StartRestTransmit take it from here).
    void SetResumePos(int64_t Value) { FResumePos = Value; }
    int CurrentStep() const { return FCurrentStep; }

protected:
    using Handler = void (TCustomFtpCli::*)();

    virtual void DebugLog(TLogOption Option, const std::string& Msg);
    virtual bool CheckLogOptions(TLogOption Option);
    virtual void SendCommand(const std::string& Cmd);
    virtual void TriggerDisplay(const std::string& Msg);
    virtual void TriggerDisplayFile(const std::string& Msg);
    virtual void TriggerError(const std::string& Msg);
    virtual bool TriggerReadyToTransmit();  // true when the handler cancelled the upload
    virtual bool TriggerProgress();         // false when the handler asked to abort the transfer
    virtual void TransferStats();
    virtual void WndProc(win::TMessage& Msg);
    virtual void HandleBackGroundException(const Exception& E);
    virtual void ControlSessionConnected(win::WORD ErrCode);

    // The identity of the latest request; a blocking call waits for the end of the one it started.
    uint32_t RequestId() const { return FRequestId; }
    // Called from the hidden window when the end of the current request is delivered, before OnRequestDone,
    // with the RequestError it ended with.
    virtual void RequestDelivered(win::WORD ErrCode, int EndedRequestError) {
        (void)ErrCode;
        (void)EndedRequestError;
    }
    // Abort, leaving Msg as the request's error and Code as the reply code.
    void AbortWithError(const std::string& Msg, int Code);
    // Bytes of the control connection, taken as if they had just been received.
    void FeedReply(std::string_view Bytes, win::WORD ErrCode);
    // True when the server has acknowledged more of the running upload than when last asked: its data is
    // leaving the machine, whether or not more of it was handed over meanwhile.
    bool UploadAdvanced();

    uint8_t FTlsKind = 0;

private:
    // Bytes taken from the data connection per notification, and at most read from the local file per piece
    // handed over: large enough that the per-notification cost stays small.
    static constexpr int DataBlockSize = 256 * 1024;
    // The piece an upload hands over when the system's send buffer looks full: one segment, so that the socket
    // layer holds little of its own while it waits for room.
    static constexpr int SmallestUploadPiece = 1460;
    // How long a finished upload may wait for the send queue to drain, in seconds.
    static constexpr int DrainSeconds = 5;
    // The transfer mode MODE asks for (1: compressed, "MODE Z") and the options OPTS gives it.
    static constexpr int WantedMode = 1;
    static constexpr const char* ModeZOptions = "MODE Z LEVEL 8";

    struct StepEntry;
    static const StepEntry StepOrder[];

    // Commands and replies.
    void BeginRequest(TFtpRequest Request);
    void ExecCommand(TFtpRequest Request, TFtpStep Step, const std::string& Command, std::vector<int> Accepted,
                     Handler AfterReply = nullptr);
    bool Ready() const;
    bool CheckReady();
    void RefuseCall(const std::string& Msg);
    void HandleError(const std::string& Msg);
    void ReportUsageError(const std::string& Msg);
    // Line as the reply of the request, failed with Code (the first failure stays the error message).
    void SetFailureReply(int Code, const std::string& Line);
    void FailRequest(int Code, const std::string& Line);
    void SetErrorMessage();
    void SetState(TFtpState Value);
    void DisplayLastResponse();
    void ReplyReader(win::WORD ErrCode);
    // Acts on every whole reply line in the buffer.
    void ProcessReplyBuffer(win::WORD ErrCode);
    void TakeReplyLine(std::string_view Line, size_t Consumed);
    bool ProcessReplyLine(win::WORD ErrCode);
    void ReplyLineTooLong();
    void RecordFeature(const std::string& Line);
    void CheckReply();
    void KeepReplyResult();
    void RequestDone(int Code);
    void PostToSelf(win::UINT Msg);
    void ControlDnsLookupDone(win::WORD ErrCode);
    void ControlSessionClosed(win::WORD ErrCode);
    void CloseControl();
    void CloseDataSocket();
    // A socket forgets its SOCKS settings when it closes: they are given again before each connect.
    void ApplyConnectionType(TWSocket& Socket);
    static std::string ServerText(std::string_view Bytes);
    // "<text> (Winsock error #<code>)", as the replies the component makes up for a socket failure read.
    static std::string WinsockErrorText(int ErrCode);
    // "<class name>: <message>" of an exception caught on the way.
    static std::string ClassAndMessage(const Exception& E);

    // Sequencer.
    void StartSequence(TFtpRequest Request, std::initializer_list<TFtpStep> Steps);
    void HighLevelAsync();
    bool StepWanted(TFtpStep Step);
    bool RunNextStep();
    bool Pending(int Step) const { return (FPendingSteps >> Step) & 1; }
    bool TryListen(uint16_t& Port);
    bool ListenOnDataPort(uint16_t& Port);

    // Transfers.
    char* DataBlock();
    void ReleaseLocalStream();
    void CommitLocalStream();
    bool OpenDownloadStream();
    bool OpenUploadStream();
    void NoteTransferFailure(const std::string& Text);
    void FailTransfer(const std::string& Text);
    void TransferRefused();
    void TransferFailedByServer(const std::string& Shown);
    void EndTransfer();
    bool PassivePort(uint16_t& Port);
    bool ConnectPassive(bool Upload);
    bool AcceptDataSession(win::SOCKET& Handle);
    void AdoptDataSession(win::SOCKET Handle);
    void StartDownload(TFtpRequest Request, TFtpStep Step, const std::string& Verb);
    void BindDownloadHandlers();
    void DownloadAcceptor();
    void PassiveDownloadConnected(win::WORD ErrCode);
    void DownloadReceiver();
    void DisplayDataLines(const char* Data, int Length);
    void DownloadSessionClosed(win::WORD ErrCode);
    void DownloadReply1();
    void DownloadReply2();
    void Next3GetAsync();
    void StartUpload(bool Append);
    void SendUploadCommand();
    void PassiveUploadConnected(win::WORD ErrCode);
    void UploadAcceptor();
    void UploadReply1();
    void UploadReply2();
    int UploadPieceSize();
    void DataSocketPutDataSent(win::WORD ErrCode);
    void DrainUpload();
    void UploadSessionClosed(win::WORD ErrCode);
    void Next3PutAsync();

    std::unique_ptr<TWSocket> FControlSocket;
    std::unique_ptr<TWSocket> FDataSocket;
    win::HWND FNotifyWindow = 0;

    TFtpState FState = ftpReady;
    bool FConnected = false;
    TFtpRequest FCurrentRequest = ftpRqNone;
    int FCurrentStep = 0;
    uint32_t FRequestId = 0;

    char FReplyBuffer[4096] = {};
    size_t FReplyBufferLen = 0;
    std::string FLastReplyLine;
    int FReplyCode = 0;
    std::string FReplyText;
    std::string FErrorMessage;
    int FRequestError = 0;
    int FEndedRequestError = 0;
    std::vector<int> FAcceptedCodes;  // empty: every code below 500
    Handler FNext = nullptr;
    Handler FAfterReply = nullptr;
    Handler FContinueRequest = nullptr;
    bool FDoneSignalled = true;

    bool FInSequence = false;
    bool FStepStarting = false;  // a step of the running sequence is being started
    std::string FSavedReplyLine;
    int FSavedReplyCode = -1;
    uint64_t FPendingSteps = 0;
    int FSequenceError = 0;
    uint32_t FNextDataPort = 0;

    uint32_t FDataPortRangeStart = 0;
    uint32_t FDataPortRangeEnd = 0;
    std::string FLocalFileName;
    char FTypeChar = 'I';
    int FShareMode = ftpShareExclusive;
    TFtpConnectionType FConnectionType = ftpDirect;
    std::string FSocksServer;
    std::string FSocksPort;
    bool FPassive = false;
    std::string FPasvReply;
    std::string FControlAddr;  // the resolved address the control connection goes to

    int64_t FSizeResult = 0;
    std::string FDirResult;
    std::string FMd5Result;
    std::string FMlstReply;
    std::string FMlstFactsOffered;
    uint16_t FServerFeatures = 0;
    int FCurrentMode = 0;

    // Transfer state.
    TStream* FLocalStream = nullptr;
    std::unique_ptr<TStream> FOwnedStream;  // the stream the component opened itself, when it did
    bool FUseCallerStream = false;
    bool FAppendMode = false;
    int64_t FByteCount = 0;
    int64_t FResumePos = 0;
    win::DWORD FTransferStart = 0;
    bool FFinalReplySeen = false;
    bool FGetSessionClosed = false;
    bool FPutSessionClosed = false;
    bool FStorAccepted = false;
    bool FPutSessionOpen = false;
    bool FSendFinished = false;
    win::WORD FDataCloseError = 0;
    std::string FTransferFailure;        // why a transfer cannot end well, though its connections may end quietly
    std::unique_ptr<char[]> FDataBlock;  // DataBlockSize bytes, made for the first transfer
    int64_t FAcknowledged = 0;           // bytes of the running upload the server had acknowledged when last asked
    win::DWORD FDrainDeadline = 0;
};

class TFtpClient : public TCustomFtpCli {
public:
    TFtpClient();

    int Timeout = 15;  // seconds a blocking call lets pass with nothing moving; 0 or less: waits forever
    bool MultiThreaded = false;

    // Each starts one request and returns once it has ended: true when it succeeded.
    bool ConnectSync();
    bool TypeSync();
    bool GetSync();
    bool PutSync();
    bool QuitSync();
    bool ListSync();
    bool DeleSync();

    virtual bool RunSync(void (TCustomFtpCli::*Operation)());
    virtual bool WaitUntilReady();

protected:
    bool TriggerProgress() override;
    void RequestDelivered(win::WORD ErrCode, int EndedRequestError) override;

private:
    struct SyncWait;
    void PumpMessages();
    void RestartDeadline();

    win::DWORD FDeadline = 0;
    SyncWait* FSyncWait = nullptr;
};
