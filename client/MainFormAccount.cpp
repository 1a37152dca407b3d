// The account file: fetched once at start-up with the registry's FTP account and decrypted (built-in
// password) into the work directory, where the folder pages read it.
#include "client/MainForm.h"
#include "client/Unit_Setting.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

// A fetch cut short because the window is closing is no failure to tell the user about.
void TMainFormWin::ReportFetchFailure(const char* Text) {
    if (!closeRequested_)
        ShowBox(Text, win::MB_ICONERROR);
}

bool TMainFormWin::FetchAccountFile() {
    const std::string serverFile = AppSetData.AccountID + ".ace";
    accountFile_ = workDir_ + AppSetData.AccountID + ".ini";
    TTarvoAccount registry;
    registry.Account = AppSetData.Account;
    registry.Password = AppSetData.Password;
    registry.ServerName = AppSetData.ServerName;
    if (!LoginAccount(registry, nullptr)) {
        ReportFetchFailure("サーバーに接続できません。");
        return false;
    }
    bool fetched = false;
    TStringList names;
    names.Add(serverFile);
    try {
        // Without an account identifier there is no account file to ask for.
        fetched = !AppSetData.AccountID.empty() && DownloadFiles(names, workDir_) &&
                  DecryptTrunk(names[0], accountFile_, BuiltInPassword);
    } catch (const std::exception&) {
        fetched = false;
    }
    if (!fetched)
        ReportFetchFailure("アカウントファイルを取得できませんでした。");
    if (FileExists(workDir_ + serverFile))
        DeleteFile(workDir_ + serverFile);
    QuitServer();
    return fetched;
}
