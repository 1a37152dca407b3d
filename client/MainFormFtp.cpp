// The FTP session of the window: one runner for the blocking calls, log-in with a folder's account, log-out,
// and the two events of the FTP client (progress bar, end of a request).
#include <QProgressBar>

#include <limits>

#include "client/Animate.h"
#include "client/MainForm.h"
#include "net/FtpCli.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Messages.h"

bool TMainFormWin::RunFtpSync(TFtpSyncOperation operation) {
    nextProgressUpdate_ = 0;
    lastProgressCount_ = 0;
    progressTimed_ = false;
    ++ftpCallDepth_;
    bool result = (FtpClient1.get()->*operation)();
    --ftpCallDepth_;
    return result;
}

void TMainFormWin::SetFtpAccount(const TTarvoAccount& row) {
    FtpClient1->UserName = row.Account;
    FtpClient1->PassWord = row.Password;
    FtpClient1->HostName = row.ServerName;
    FtpClient1->Port = "ftp";
}

bool TMainFormWin::LoginAccount(const TTarvoAccount& row, QPlainTextEdit* memo) {
    if (FtpClient1->IsConnected()) {
        RunFtpSync(&TFtpClient::QuitSync);
        if (FtpClient1->IsConnected())
            FtpClient1->Abort();
    }
    session_.reset();
    SetFtpAccount(row);
    FtpClient1->AssignLocalStream(nullptr);
    AddLog(memo, "ログインしています。");
    if (!RunFtpSync(&TFtpClient::ConnectSync)) {
        // A half-done log-in would pass for an open session on the next page.
        FtpClient1->Abort();
        AddLog(memo, "Error!! ログインに失敗しました。");
        return false;
    }
    session_ = row;
    return true;
}

bool TMainFormWin::SessionBelongsTo(const TTarvoAccount& row) const {
    return session_ && FtpClient1->IsConnected() && session_->ServerName == row.ServerName &&
           session_->Account == row.Account && session_->Password == row.Password;
}

bool TMainFormWin::TransferFile(const std::string& hostName, const std::string& localName, TFtpSyncOperation operation,
                                TStream* stream) {
    FtpClient1->HostFileName = hostName;
    FtpClient1->SetLocalFileName(localName);
    FtpClient1->AssignLocalStream(stream);
    const bool binary = ExtractFileExt(hostName) != ".txt";
    FtpClient1->SetBinary(binary);
    // In the wrong type a container would arrive damaged, so it goes only once binary is set. A comment goes
    // on when text mode is refused: the session keeps its type, binary after the container, which leaves the
    // comment's bytes as written.
    const bool typed = RunFtpSync(&TFtpClient::TypeSync);
    bool done = (typed || !binary) && RunFtpSync(operation);
    FtpClient1->HostFileName.clear();
    FtpClient1->SetLocalFileName("");
    FtpClient1->AssignLocalStream(nullptr);
    return done;
}

bool TMainFormWin::SessionFor(const TTarvoAccount& row, QPlainTextEdit* memo) {
    return SessionBelongsTo(row) || LoginAccount(row, memo);
}

bool TMainFormWin::QuitServer() {
    // Never in the middle of another blocking call: that request would lose its connection under it.
    if (ftpCallDepth_ > 0 || !FtpClient1->IsConnected())
        return false;
    session_.reset();
    return RunFtpSync(&TFtpClient::QuitSync);
}

void TMainFormWin::ResetListingStream() {
    if (!listingStream_)
        listingStream_ = std::make_unique<TMemoryStream>();
    else
        listingStream_->Clear();
}

void TMainFormWin::FtpClient1Progress(int64_t Count, bool& Abort) {
    // A busy connection can keep the blocking call from looking up until the transfer is over: the close
    // ends the transfer from here, at its next block.
    Abort = closeRequested_;
    lastProgressCount_ = Count;
    win::DWORD now = win::GetTickCount();
    // Compared as a difference, so the wrap of the tick counter does not stop the bar.
    if (!progressTimed_ || static_cast<int32_t>(now - nextProgressUpdate_) > 0) {
        progressTimed_ = true;
        nextProgressUpdate_ = now + 1000;
        SetProgressPos(lastProgressCount_);
    }
}

void TMainFormWin::FtpClient1RequestDone(int RqType, uint16_t ErrCode) {
    SetProgressPos(lastProgressCount_);
    if (ErrCode == 0 && RqType == ftpRqList)
        ParseServerListing();
}

void TMainFormWin::SetProgressMax(int64_t max) {
    progressMax_ = std::max<int64_t>(max, 0);
    progressShift_ = 0;
    while ((progressMax_ >> progressShift_) > std::numeric_limits<int>::max())
        ++progressShift_;
    ctrl_FTPProgressBar->setRange(0, static_cast<int>(progressMax_ >> progressShift_));
    ctrl_FTPProgressBar->setValue(0);
}

void TMainFormWin::ShowTransfer(TAnimate* animate, QWidget* page, int64_t size) {
    animate->show();
    if (!animate->SetActive(true))
        animate->hide();
    ctrl_FTPProgressBar->setParent(page);
    ctrl_FTPProgressBar->setGeometry(16, 298, 590, 18);
    SetProgressMax(size);
    ctrl_FTPProgressBar->show();
}

void TMainFormWin::HideTransfer(TAnimate* animate) {
    animate->hide();
    animate->SetActive(false);
    ctrl_FTPProgressBar->hide();
}

void TMainFormWin::SetProgressPos(int64_t pos) {
    // Clamped into the range: a value outside it would leave the bar where it was.
    pos = std::clamp<int64_t>(pos, 0, progressMax_);
    ctrl_FTPProgressBar->setValue(static_cast<int>(pos >> progressShift_));
}
