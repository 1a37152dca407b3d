// TCustomFtpCli: data connections. A transfer is over once the data connection has closed and the server has
// given its last word on it, in whichever order; it succeeds only when nothing went wrong on our side either.
// A download goes to a temporary file beside the local file, renamed over it only on success.
#include <algorithm>

#include "net/FtpCli.h"
#include "platform/rtl/AtomicFile.h"

namespace {

bool IsDigitChar(char c) {
    return c >= '0' && c <= '9';
}

// "a1,a2,a3,a4,p1,p2" after the "(" of a 227 reply (or after its code when the server gives no parenthesis).
bool ParsePasvNumbers(const std::string& Reply, int (&Numbers)[6]) {
    size_t pos = Reply.find('(');
    pos = pos == std::string::npos ? Reply.find_first_of("0123456789", Reply.find(' ')) : pos + 1;
    for (int i = 0; i < 6; ++i) {
        if (pos == std::string::npos || pos >= Reply.size() || !IsDigitChar(Reply[pos]))
            return false;
        int value = 0;
        while (pos < Reply.size() && IsDigitChar(Reply[pos]) && value < 100000)
            value = value * 10 + (Reply[pos++] - '0');
        Numbers[i] = value;
        if (i < 5 && (pos >= Reply.size() || Reply[pos++] != ','))
            return false;
    }
    return true;
}

}  // namespace

// Streams -----------------------------------------------------------------------------------------------------

char* TCustomFtpCli::DataBlock() {
    if (!FDataBlock)
        FDataBlock = std::make_unique_for_overwrite<char[]>(DataBlockSize);  // only bytes written are read
    return FDataBlock.get();
}

void TCustomFtpCli::ReleaseLocalStream() {
    if (!FOwnedStream)
        return;
    if (FLocalStream == FOwnedStream.get())
        FLocalStream = nullptr;
    FOwnedStream.reset();  // a temporary download file that was not committed goes with it
}

void TCustomFtpCli::CommitLocalStream() {
    if (auto* file = dynamic_cast<AtomicFile*>(FOwnedStream.get())) {
        try {
            file->Commit(false);  // a download can be fetched again: all or nothing is what counts
        } catch (const Exception& e) {
            return NoteTransferFailure("550 Unable to write local file " + FLocalFileName + ": " + e.Message());
        }
    }
    ReleaseLocalStream();
}

bool TCustomFtpCli::OpenDownloadStream() {
    ReleaseLocalStream();
    try {
        if (FResumePos > 0) {
            // Resuming writes on into the file that is there.
            if (!FLocalStream) {
                FOwnedStream = std::make_unique<TFileStream>(FLocalFileName, fmOpenWrite | ShareMode());
                FLocalStream = FOwnedStream.get();
            }
            if (FLocalStream->Seek(FResumePos, soBeginning) != FResumePos) {
                FailRequest(550, "Unable to set resume position in local file");
                return false;
            }
        } else if (!FLocalStream && !FUseCallerStream) {
            FOwnedStream = std::make_unique<AtomicFile>(FLocalFileName);
            FLocalStream = FOwnedStream.get();
        }
    } catch (const Exception& e) {
        FailRequest(550, "Unable to open local file " + FLocalFileName + ": " + e.Message());
        return false;
    }
    return true;
}

bool TCustomFtpCli::OpenUploadStream() {
    ReleaseLocalStream();
    FSendFinished = false;
    try {
        if (!FLocalStream) {
            FOwnedStream = std::make_unique<TFileStream>(FLocalFileName, fmOpenRead | ShareMode());
            FLocalStream = FOwnedStream.get();
        }
        if (FResumePos > 0 && FLocalStream->Seek(FResumePos, soBeginning) != FResumePos) {
            FailRequest(550, "Unable to set resume position in local file");
            return false;
        }
    } catch (const Exception& e) {
        FLastReplyLine = "Unable to open local file " + FLocalFileName + ": " + e.Message();
        SetErrorMessage();
        TriggerDisplay("! " + FErrorMessage);
        FailRequest(426, FLastReplyLine);
        return false;
    }
    return true;
}

// Failures on our side --------------------------------------------------------------------------------------

void TCustomFtpCli::NoteTransferFailure(const std::string& Text) {
    if (FTransferFailure.empty())
        FTransferFailure = Text;
}

// The data connection is dropped with a reset, so the server cannot take a cut-off transfer for a whole one;
// the request still ends through the reply and close handlers, and then fails.
void TCustomFtpCli::FailTransfer(const std::string& Text) {
    NoteTransferFailure(Text);
    FDataSocket->Abort();
}

// The server turned the transfer down before any data moved.
void TCustomFtpCli::TransferRefused() {
    SetErrorMessage();
    FNext = nullptr;
    CloseDataSocket();
    ReleaseLocalStream();
    FResumePos = 0;
    FRequestError = FReplyCode;
    RequestDone(FReplyCode);
}

// The server's final reply to a transfer that had begun is a failure: the request ends with its code.
void TCustomFtpCli::TransferFailedByServer(const std::string& Shown) {
    SetErrorMessage();
    ReleaseLocalStream();
    CloseDataSocket();
    TriggerDisplay(Shown);
    FRequestError = FReplyCode;
    RequestDone(FReplyCode);
}

bool TCustomFtpCli::TriggerProgress() {
    bool abort = false;
    if (OnProgress)
        OnProgress(this, FByteCount + FResumePos, abort);
    if (abort) {
        TriggerDisplay("! Abort requested");
        FailTransfer("426 Transfer aborted");
    }
    return !abort;
}

// Both ends of a transfer were seen while its request runs: the request ends, well only when nothing failed on
// either side. A request that ended otherwise (its control connection lost) commits nothing.
void TCustomFtpCli::EndTransfer() {
    TransferStats();
    FResumePos = 0;
    if (FTransferFailure.empty() && FDataCloseError == 0)
        CommitLocalStream();
    if (!FTransferFailure.empty())
        return FailRequest(StrToIntDef(FTransferFailure.substr(0, 3), 426), FTransferFailure);
    if (FDataCloseError != 0)
        SetFailureReply(426, "426 Data connection closed. " + WinsockErrorText(FDataCloseError));
    FRequestError = FDataCloseError;
    RequestDone(FDataCloseError);
}

void TCustomFtpCli::TransferStats() {
    win::DWORD stop = win::GetTickCount();
    uint32_t elapsed = stop - FTransferStart;
    if (stop < FTransferStart)
        --elapsed;
    std::string text = IntToStr(FByteCount) + " bytes received/sent in ";
    if (elapsed > 4999) {
        int64_t rate = FByteCount < 32768 ? FByteCount * 1000 / elapsed : (FByteCount / elapsed) * 1000;
        text += IntToStr(elapsed / 1000) + " seconds (" + IntToStr(rate) + " Bytes/sec)";
    } else {
        text += IntToStr(elapsed) + " milliseconds";
    }
    TriggerDisplay("! " + text);
}

// Data connections ------------------------------------------------------------------------------------------

bool TCustomFtpCli::PassivePort(uint16_t& Port) {
    int numbers[6];
    if (!ParsePasvNumbers(FPasvReply, numbers))
        return false;
    Port = static_cast<uint16_t>((numbers[4] * 256 + numbers[5]) % 65536);
    return true;
}

// Passive mode connects to the host the control connection goes to, whatever address the 227 reply names.
bool TCustomFtpCli::ConnectPassive(bool Upload) {
    int code = Upload ? 426 : 550;
    uint16_t port = 0;
    if (!PassivePort(port)) {
        FailRequest(code, IntToStr(code) + " No data port in the reply: " + FPasvReply);
        return false;
    }
    try {
        FDataSocket->SetPort(IntToStr(port));
        FDataSocket->SetAddr(FControlAddr);
        FDataSocket->SetLocalAddr(LocalAddr);
        ApplyConnectionType(*FDataSocket);
        FDataSocket->OnSessionConnected = [this, Upload](TCustomWSocket*, win::WORD e) {
            Upload ? PassiveUploadConnected(e) : PassiveDownloadConnected(e);
        };
        FDataSocket->LingerOnOff = wsLingerOff;
        FDataSocket->LingerTimeout = 0;
        FDataSocket->ComponentOptions = {wsoNoReceiveLoop};
        FDataSocket->Connect();
    } catch (const Exception& e) {
        FailRequest(code, IntToStr(code) + " " + ClassAndMessage(e));
        return false;
    }
    return true;
}

// Takes the server's connection from the listener; a connection from any other host is turned away and the
// listener waits on.
bool TCustomFtpCli::AcceptDataSession(win::SOCKET& Handle) {
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Data Session requested");
    try {
        Handle = FDataSocket->Accept();
    } catch (const ESocketException&) {
        return false;
    }
    if (Handle == win::INVALID_SOCKET)
        return false;
    win::sockaddr_in peer{};
    int length = sizeof peer;
    std::string server = FControlSocket->PeerAddr();  // before inet_ntoa's buffer is used again below
    bool fromServer = Winsock_getpeername(Handle, reinterpret_cast<win::sockaddr*>(&peer), &length) == 0 &&
                      server == Winsock_inet_ntoa(peer.sin_addr);
    if (!fromServer) {
        TriggerDisplay("! Data connection from a foreign host refused");
        Winsock_closesocket(Handle);
        return false;
    }
    FDataSocket->Close();  // the listener
    return true;
}

void TCustomFtpCli::AdoptDataSession(win::SOCKET Handle) {
    FDataSocket->Dup(Handle);
    FDataSocket->ComponentOptions = {wsoNoReceiveLoop};
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Data Session opened");
}

// Downloads -----------------------------------------------------------------------------------------------

void TCustomFtpCli::BeginRetr() {
    StartDownload(ftpRqGet, ftpStepRetr, "RETR");
}
void TCustomFtpCli::BeginList() {
    StartDownload(ftpRqList, ftpStepList, "LIST");
}
void TCustomFtpCli::BeginNlst() {
    StartDownload(ftpRqNameList, ftpStepNlst, "NLST");
}
void TCustomFtpCli::BeginMlsd() {
    StartDownload(ftpRqMlsd, ftpStepMlsd, "MLSD");
}

void TCustomFtpCli::StartDownload(TFtpRequest Request, TFtpStep Step, const std::string& Verb) {
    if (!FConnected)
        return HandleError(Verb + ": not connected");
    if (FLocalFileName.empty() && !DisplayFileFlag && !FUseCallerStream)
        return HandleError("LocalFileName empty");
    if (!CheckReady())
        return;
    BeginRequest(Request);
    FCurrentStep = Step;
    FFinalReplySeen = FGetSessionClosed = FDoneSignalled = false;
    FByteCount = 0;
    FDataCloseError = 0;
    FTransferFailure.clear();
    FDataSocket->OnSessionAvailable = [this](TCustomWSocket*, win::WORD) { DownloadAcceptor(); };
    if (!DisplayFileFlag && !OpenDownloadStream())
        return;
    if (FPassive && !ConnectPassive(false))
        return;
    SetState(ftpWaitingResponse);
    FNext = &TCustomFtpCli::DownloadReply1;
    SendCommand(HostFileName.empty() ? Verb : Verb + " " + HostFileName);
}

void TCustomFtpCli::BindDownloadHandlers() {
    FDataSocket->OnSessionClosed = [this](TCustomWSocket*, win::WORD e) { DownloadSessionClosed(e); };
    FDataSocket->OnDataAvailable = [this](TCustomWSocket*, win::WORD) { DownloadReceiver(); };
    FDataSocket->OnDataSent = nullptr;
}

void TCustomFtpCli::DownloadAcceptor() {
    win::SOCKET handle;
    if (!AcceptDataSession(handle))
        return;
    BindDownloadHandlers();
    AdoptDataSession(handle);
    FTransferStart = win::GetTickCount();
}

void TCustomFtpCli::PassiveDownloadConnected(win::WORD ErrCode) {
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Data Session Connected (Get)");
    BindDownloadHandlers();
    FTransferStart = win::GetTickCount();
    // The command is out already: the request ends with the server's reply to it, or the next command
    // would be answered by that reply.
    if (ErrCode != 0)
        NoteTransferFailure("550 Unable to establish data connection, error #" + IntToStr(ErrCode));
}

void TCustomFtpCli::DownloadReceiver() {
    if (!TriggerProgress())
        return;
    char* block = DataBlock();
    int n = FDataSocket->Receive(block, DataBlockSize);
    if (n > 0) {
        if (!FTransferFailure.empty())
            return;  // what still arrives after a failure is dropped
        if (FLocalStream) {
            try {
                FLocalStream->WriteBuffer(block, n);
            } catch (const Exception& e) {
                TriggerDisplay("! Error writing local file");
                return FailTransfer("426 Error writing local file: " + e.Message());
            }
        }
        FByteCount += n;
        if (DisplayFileFlag)
            DisplayDataLines(block, n);
    } else if (n < 0 && FDataSocket->State() == wsConnected && FDataSocket->LastError() != win::WSAEWOULDBLOCK) {
        std::string text = "Data: Receive error " + IntToStr(FDataSocket->LastError());
        TriggerDisplay("! " + text);
        FailTransfer("426 " + text);
    }
}

void TCustomFtpCli::DisplayDataLines(const char* Data, int Length) {
    int start = 0;
    for (int i = 0; i <= Length; ++i) {
        if (i < Length && Data[i] != '\r' && Data[i] != '\n')
            continue;
        if (i > start)
            TriggerDisplayFile(ServerText(std::string_view(Data + start, i - start)));
        while (i + 1 < Length && (Data[i + 1] == '\r' || Data[i + 1] == '\n'))
            ++i;
        start = i + 1;
    }
}

void TCustomFtpCli::DownloadSessionClosed(win::WORD ErrCode) {
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Data Session closed");
    FGetSessionClosed = true;
    FDataCloseError = ErrCode;
    Next3GetAsync();
}

void TCustomFtpCli::DownloadReply1() {
    DisplayLastResponse();
    if ((FReplyCode >= 150 && FReplyCode <= 159) || FReplyCode == 125) {
        FNext = &TCustomFtpCli::DownloadReply2;
        return;
    }
    TransferRefused();
}

void TCustomFtpCli::DownloadReply2() {
    DisplayLastResponse();
    if (FReplyCode == 125 || FReplyCode == 226 || FReplyCode == 250) {
        FFinalReplySeen = true;
        return Next3GetAsync();
    }
    TransferFailedByServer("! RETR/LIST/NLST Failed");
}

void TCustomFtpCli::Next3GetAsync() {
    if (CheckLogOptions(loProtSpecDump))
        DebugLog(loProtSpecDump, "! Next3GetAsync");
    if (FFinalReplySeen && FGetSessionClosed && !FDoneSignalled)
        EndTransfer();
}

// Uploads -------------------------------------------------------------------------------------------------

void TCustomFtpCli::BeginStor() {
    StartUpload(false);
}
void TCustomFtpCli::BeginAppe() {
    StartUpload(true);
}

void TCustomFtpCli::StartUpload(bool Append) {
    if (!FConnected)
        return HandleError("STOR/APPE: not connected");
    if (!FUseCallerStream && FLocalFileName.empty())
        return HandleError("LocalFileName empty");
    if (!CheckReady())
        return;
    BeginRequest(Append ? ftpRqAppend : ftpRqPut);
    FCurrentRequest = Append ? ftpRqAppend : ftpRqPut;  // inside a sequence too: an upload reports itself
    FCurrentStep = Append ? ftpStepAppe : ftpStepStor;
    FAppendMode = Append;
    FFinalReplySeen = FPutSessionClosed = FDoneSignalled = false;
    // A server may connect back as soon as it gets PORT: that session is already open.
    FPutSessionOpen = !FPassive && FDataSocket->State() == wsConnected;
    FStorAccepted = false;
    FTransferStart = 0;
    FByteCount = 0;
    FAcknowledged = 0;
    FDataCloseError = 0;
    FTransferFailure.clear();
    if (TriggerReadyToTransmit()) {
        FErrorMessage = "426 Transmit cancelled by application";
        FReplyCode = 426;
        TriggerDisplay("! " + FErrorMessage);
        FRequestError = 426;
        return RequestDone(426);
    }
    FDataSocket->OnSessionAvailable = [this](TCustomWSocket*, win::WORD) { UploadAcceptor(); };
    if (!OpenUploadStream())
        return;
    TriggerDisplay("! Upload Size " + IntToStr(FLocalStream->Size() - FLocalStream->Position()));
    if (FPassive) {
        ConnectPassive(true);  // the command follows once the data connection is up
        return;
    }
    SendUploadCommand();
}

bool TCustomFtpCli::TriggerReadyToTransmit() {
    bool cancel = false;
    if (OnReadyToTransmit)
        OnReadyToTransmit(this, cancel);
    return cancel;
}

void TCustomFtpCli::SendUploadCommand() {
    SetState(ftpWaitingResponse);
    FNext = &TCustomFtpCli::UploadReply1;
    SendCommand((FAppendMode ? "APPE " : "STOR ") + HostFileName);
}

void TCustomFtpCli::PassiveUploadConnected(win::WORD ErrCode) {
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Data Session opened (Put)");
    FDataSocket->OnSessionClosed = [this](TCustomWSocket*, win::WORD e) { UploadSessionClosed(e); };
    FDataSocket->OnDataAvailable = nullptr;
    FDataSocket->OnDataSent = nullptr;
    FPutSessionOpen = true;
    FTransferStart = win::GetTickCount();
    if (ErrCode != 0)
        return FailRequest(550, "Unable to establish data connection, error #" + IntToStr(ErrCode));
    SendUploadCommand();
}

void TCustomFtpCli::UploadAcceptor() {
    win::SOCKET handle;
    if (!AcceptDataSession(handle))
        return;
    FDataSocket->OnSessionClosed = [this](TCustomWSocket*, win::WORD e) { UploadSessionClosed(e); };
    FDataSocket->OnDataAvailable = [](TCustomWSocket* s, win::WORD) {
        char discard[2048];
        s->Receive(discard, sizeof discard);
    };
    FDataSocket->OnDataSent = [this](TCustomWSocket*, win::WORD e) { DataSocketPutDataSent(e); };
    AdoptDataSession(handle);
    FDataSocket->LingerOnOff = wsLingerOff;
    FDataSocket->LingerTimeout = 10;
    FDataSocket->ApplyLinger();
    FPutSessionOpen = true;
    if (FStorAccepted && FTransferStart == 0)
        PostToSelf(WM_FTP_SENDDATA);
}

void TCustomFtpCli::UploadReply1() {
    DisplayLastResponse();
    if (FReplyCode == 150 || FReplyCode == 125) {
        FStorAccepted = true;
        FNext = &TCustomFtpCli::UploadReply2;
        if (FPassive) {
            if (CheckLogOptions(loProtSpecInfo))
                DebugLog(loProtSpecInfo, "! Send first block");
            FDataSocket->OnDataSent = [this](TCustomWSocket*, win::WORD e) { DataSocketPutDataSent(e); };
            DataSocketPutDataSent(0);
        } else if (FPutSessionOpen && FTransferStart == 0) {
            PostToSelf(WM_FTP_SENDDATA);
        }
        return;
    }
    TransferRefused();
}

// The system's send buffer less what it holds unacknowledged, from one segment to a block. That overstates what
// a send takes at once, but it keeps pieces small where the buffer is small, on a slow link, and whole blocks on
// a fast one. What a send does not take waits in the socket layer, and the next piece is read only once all of
// this one has gone to the system, so no more than one piece ever waits in our process.
int TCustomFtpCli::UploadPieceSize() {
    int figure = FDataSocket->SendBufferLessUnacknowledged();
    return figure < 0 ? DataBlockSize : std::clamp(figure, SmallestUploadPiece, DataBlockSize);
}

// Counted from what was handed to the system, less what it still holds: the bytes the server has confirmed.
bool TCustomFtpCli::UploadAdvanced() {
    bool uploading = (FCurrentRequest == ftpRqPut || FCurrentRequest == ftpRqAppend) && FPutSessionOpen &&
                     !FPutSessionClosed && FDataSocket->State() == wsConnected;
    int unacknowledged = uploading ? FDataSocket->UnacknowledgedByteCount() : -1;
    if (unacknowledged < 0)
        return false;
    int64_t acknowledged = FByteCount - FDataSocket->BufferedByteCount() - unacknowledged;
    if (acknowledged <= FAcknowledged)
        return false;
    FAcknowledged = acknowledged;
    return true;
}

void TCustomFtpCli::DataSocketPutDataSent(win::WORD ErrCode) {
    if (!FLocalStream || !TriggerProgress())
        return;
    if (ErrCode != 0) {
        std::string text = "Error #" + IntToStr(ErrCode) + " sending data";
        TriggerDisplay("! " + text);
        return FailTransfer("426 " + text);
    }
    if (FSendFinished || !FStorAccepted || !FPutSessionOpen)
        return;
    char* block = DataBlock();
    int64_t n;
    try {
        n = FLocalStream->Read(block, UploadPieceSize());
    } catch (const Exception& e) {
        TriggerDisplay("! Error reading file " + ClassAndMessage(e));
        return FailTransfer("426 Error reading local file: " + e.Message());
    }
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "DataSocketPutDataSent " + IntToStr(n));
    if (n <= 0) {
        FDrainDeadline = win::GetTickCount() + static_cast<win::DWORD>(DrainSeconds) * 1000;
        return PostToSelf(WM_FTP_DRAIN);
    }
    FByteCount += n;
    try {
        FDataSocket->Send(block, static_cast<int>(n));
    } catch (const ESocketException& e) {
        FailTransfer("426 " + e.Message());
    }
}

// The end of the file was read: the sending side is shut once the socket's queue is empty.
void TCustomFtpCli::DrainUpload() {
    bool queued = FDataSocket->BufferedByteCount() > 0;
    if (queued && static_cast<int32_t>(win::GetTickCount() - FDrainDeadline) < 0) {
        if (FDataSocket->State() == wsConnected && FControlSocket->State() == wsConnected)
            PostToSelf(WM_FTP_DRAIN);
        return;
    }
    if (queued)
        return FailTransfer("426 Data not sent within " + IntToStr(DrainSeconds) + " seconds");
    FDataSocket->Shutdown(1);
    FSendFinished = true;
}

void TCustomFtpCli::UploadReply2() {
    DisplayLastResponse();
    if (FReplyCode == 226 || FReplyCode == 250) {
        FFinalReplySeen = true;
        return Next3PutAsync();
    }
    TransferFailedByServer("! STOR Failed");
}

void TCustomFtpCli::UploadSessionClosed(win::WORD ErrCode) {
    if (CheckLogOptions(loProtSpecInfo))
        DebugLog(loProtSpecInfo, "! Data Session closed");
    ReleaseLocalStream();
    FPutSessionClosed = true;
    FDataCloseError = ErrCode;
    // The server hung up before it had the whole file.
    if (!FSendFinished && ErrCode == 0)
        NoteTransferFailure("426 Data connection closed before the upload ended");
    Next3PutAsync();
}

void TCustomFtpCli::Next3PutAsync() {
    if (CheckLogOptions(loProtSpecDump))
        DebugLog(loProtSpecDump, "! Next3PutAsync");
    if (FFinalReplySeen && FPutSessionClosed && !FDoneSignalled)
        EndTransfer();
}
