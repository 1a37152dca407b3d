// TFtpClient: blocking calls. A call returns only once its request's end has been delivered, so OnRequestDone
// has already run; until then it pumps messages, and it gives up after Timeout seconds with nothing moving.
#include "net/FtpCli.h"

// What a waiting call learns when the end of its request is delivered. Waits nest when an event handler
// makes a blocking call of its own.
struct TFtpClient::SyncWait {
    uint32_t Id = 0;
    bool Done = false;
    win::WORD ErrCode = 0;
    int RequestError = 0;
    SyncWait* Outer = nullptr;
};

TFtpClient::TFtpClient() = default;

bool TFtpClient::ConnectSync() {
    return RunSync(&TCustomFtpCli::StartConnect);
}
bool TFtpClient::TypeSync() {
    return RunSync(&TCustomFtpCli::CmdType);
}
bool TFtpClient::GetSync() {
    return RunSync(&TCustomFtpCli::StartGet);
}
bool TFtpClient::PutSync() {
    return RunSync(&TCustomFtpCli::StartPut);
}
bool TFtpClient::QuitSync() {
    return RunSync(&TCustomFtpCli::CmdQuit);
}
bool TFtpClient::ListSync() {
    return RunSync(&TCustomFtpCli::StartList);
}
bool TFtpClient::DeleSync() {
    return RunSync(&TCustomFtpCli::CmdDele);
}

bool TFtpClient::RunSync(void (TCustomFtpCli::*Operation)()) {
    uint32_t before = RequestId();
    try {
        (this->*Operation)();
    } catch (...) {
        return false;
    }
    // A usage error reported to OnError starts no request: there is nothing to wait for.
    if (RequestId() == before)
        return false;
    return WaitUntilReady();
}

bool TFtpClient::WaitUntilReady() {
    SyncWait wait;
    wait.Id = RequestId();
    wait.Outer = FSyncWait;
    FSyncWait = &wait;
    struct Restore {
        TFtpClient* Client;
        SyncWait* Outer;
        ~Restore() { Client->FSyncWait = Outer; }
    } restore{this, wait.Outer};

    RestartDeadline();
    for (;;) {
        if (wait.Done)
            return wait.ErrCode == 0 && wait.RequestError == 0;
        // Aborted meanwhile, or a newer request took over: this one's end will never come.
        if (RequestId() != wait.Id && (State() == ftpReady || State() == ftpInternalReady))
            return false;
        if (Options.count(ftpWaitUsingSleep))
            win::Sleep(0);
        else
            win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 1000, win::QS_ALLINPUT);
        PumpMessages();
        if (wait.Done)
            continue;
        if (win::Application::Terminated() || (MultiThreaded && ControlSocket()->Terminated()))
            break;
        if (Timeout <= 0)
            continue;
        // What an upload handed over leaves the machine without progress events: that is movement too.
        if (UploadAdvanced())
            RestartDeadline();
        if (static_cast<int32_t>(win::GetTickCount() - FDeadline) > 0)
            break;
    }
    AbortWithError("426 Timeout", 426);
    return false;
}

void TFtpClient::PumpMessages() {
    if (MultiThreaded)
        ControlSocket()->PumpPendingMessages();
    else
        win::Application::ProcessMessages();
}

void TFtpClient::RestartDeadline() {
    FDeadline = win::GetTickCount() + static_cast<win::DWORD>(Timeout) * 1000;
}

bool TFtpClient::TriggerProgress() {
    bool result = TCustomFtpCli::TriggerProgress();
    if (Timeout > 0)
        RestartDeadline();
    return result;
}

void TFtpClient::RequestDelivered(win::WORD ErrCode, int EndedRequestError) {
    for (SyncWait* w = FSyncWait; w; w = w->Outer) {
        if (w->Id != RequestId())
            continue;
        w->Done = true;
        w->ErrCode = ErrCode;
        w->RequestError = EndedRequestError;
    }
}
