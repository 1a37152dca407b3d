// The receiving road: the trunk ticked in the trunk list comes down into a folder named after it inside the
// extraction place, is opened and unpacked there, optionally with its comment, and optionally leaves the server.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ARCHIVES/ARCHIVES.h"
#include "client/Hourglass.h"
#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "client/Unit_Setting.h"
#include "common/Unit_FilesFunc.h"
#include "common/Users_Func.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

namespace {

// The extraction place P (ending with "/") and in it the trunk's folder D, made when missing after the user
// agreed. False when the user declined or a folder could not be made (the user was told).
bool PrepareTrunkFolder(const std::string& typed, const std::string& trunk, std::string& trunkDir) {
    std::string place = Trim(typed);
    if (place.empty()) {
        TMainFormWin::ShowBox("展開場所を指定してください。", win::MB_ICONWARNING);
        return false;
    }
    AddTrailingBackslash(place);
    if (!DirectoryExists(place)) {
        if (TMainFormWin::Ask("指定された展開場所がありません。作成しますか？\r\n" + place, win::MB_ICONINFORMATION) !=
            win::IDYES)
            return false;
        if (!ForceDirectories(place)) {
            TMainFormWin::ShowBox("展開場所を作成することができませんでした。", win::MB_ICONERROR);
            return false;
        }
    }
    trunkDir = place + trunk + "/";
    if (DirectoryExists(trunkDir))
        return TMainFormWin::Ask(
                   "既にトランクのフォルダがあります。\r\n上書きされますがよろしいですか？\r\n\r\n" + trunkDir,
                   win::MB_ICONWARNING) == win::IDYES;
    if (!ForceDirectories(trunkDir)) {
        TMainFormWin::ShowBox("展開場所を作成することができませんでした。", win::MB_ICONERROR);
        return false;
    }
    return true;
}

}  // namespace

void TMainFormWin::btnReferenceClick() {
    std::string folder;
    if (SelectFolder("展開先を指定してください。", edDirPath->text().toStdString(), folder))
        edDirPath->setText(QString::fromStdString(folder));
}

void TMainFormWin::btnDwStartClick() {
    if (RoadRunning())
        return;
    TRoadScope road(*this);
    std::optional<TTarvoAccount> folder = ChosenFolder(DwForderList);
    if (!folder)
        return;
    std::string trunk = CheckedTrunkName();
    if (trunk.empty()) {
        ShowBox("トランクを指定してください。", win::MB_ICONWARNING);
        return;
    }
    std::string trunkDir;
    if (!PrepareTrunkFolder(edDirPath->text().toStdString(), trunk, trunkDir))
        return;
    if (!SessionFor(*folder, nullptr)) {
        ShowBox("サーバーへのログインを失敗しました。", win::MB_ICONERROR);
        return;
    }
    THourglass hourglass;
    mmDwMess->clear();
    btnNextClick();
    win::Application::ProcessMessages();
    ReceiveRoad(*folder, trunk, trunkDir);
}

std::string TMainFormWin::ReceiveDir() {
    std::string dir = workDir_ + "receive/";
    ShellDeleteFile(0, dir, false);
    ForceDirectories(dir);
    return dir;
}

void TMainFormWin::ReceiveRoad(const TTarvoAccount& folder, const std::string& trunk, const std::string& trunkDir) {
    std::string password = BuiltInPassword;
    if (folder.AccountType == 0 && !AskPassword(password, "複合化するパスワードを入力してください。")) {
        AddLog(mmDwMess, "\r\nキャンセルされました。");
        return;
    }
    ShowTransfer(Animate2, tsDw3, CheckedTrunkSize());
    const std::string receiveDir = ReceiveDir();
    bool done = ReceiveTrunk(folder, trunk, trunkDir, password, receiveDir);
    ShellDeleteFile(0, receiveDir, false);
    HideTransfer(Animate2);
    if (!done)
        return;
    AddLog(mmDwMess, "\r\n完了しました。");
    OpenFolderInExplorer(trunkDir);
}

bool TMainFormWin::ReceiveTrunk(const TTarvoAccount& folder, const std::string& trunk, const std::string& trunkDir,
                                const std::string& password, const std::string& receiveDir) {
    AddLog(mmDwMess, "\r\nファイルの受信中...");
    TStringList names;
    names.Add(trunk + ".ace");
    if (!DownloadFiles(names, receiveDir, false)) {
        AddLog(mmDwMess, "\r\nError!!ファイルの受信を失敗しました。");
        return false;
    }
    AddLog(mmDwMess, "    複合化しています。");
    const std::string archive = receiveDir + trunk + ".lzh";
    bool opened = DecryptTrunk(names[0], archive, password);
    ShellDeleteFile(0, names[0], false);
    if (!opened) {
        AddLog(mmDwMess, "\r\nError!! 複合化を失敗しました。");
        return false;
    }
    bool extracted = ExtractTrunk(trunkDir, archive);
    ShellDeleteFile(0, archive, false);
    if (!extracted) {
        // The server keeps the only copy, whatever the settings say.
        AddLog(mmDwMess, "\r\nError!! 展開に失敗しました。");
        return false;
    }
    if (AppSetData.DwCommentFlag) {
        TStringList comment;
        comment.Add(trunk + ".txt");
        DownloadFiles(comment, trunkDir, true);
        win::Application::ProcessMessages();
    }
    if (AppSetData.DwDelFlag && folder.AccountType != 2) {
        AddLog(mmDwMess, "    サーバーを整理しています。");
        TStringList server;
        server.Add(trunk + ".ace");
        server.Add(trunk + ".txt");
        DeleteServerFiles(server);
        win::Application::ProcessMessages();
    }
    return true;
}

bool TMainFormWin::ExtractTrunk(const std::string& TargetDir, const std::string& ArchiveName) {
    ArchiveFile1->SetFileName(ArchiveName);
    TArchiverOptions& options = ArchiveFile1->Options();
    options.x = 1;
    options.jso = 1;
    options.jse = 1;
    options.jyc = 1;
    options.n = 0;
    ArchiveFile1->SetOutputSize(8192);
    return WithResponseFile([&] { return ArchiveFile1->Unpack(0, nullptr, TargetDir, {""}); }) == 0;
}
